#include "app/environment.h"

#include <gmock/gmock.h>

#include "support/scoped_env.h"

namespace {

// Unset variables and texts that are no port fall back to 6112 and no dial port.
TEST(EnvironmentDefault, VariablesChooseThePrefixFolderAndPorts) {
  ScopedEnv home("HOME", "/home/player"), prefix("WINEPREFIX", std::nullopt),
      dir("QUIB_PROGRAM_DIR", std::nullopt);
  for (const char* text : {"", "0", "65536", "99999999999", "-1", "6112x", "+80"}) {
    ScopedEnv port("QUIB_PORT", text), dial("QUIB_DIAL_PORT", text);
    const Environment env = Environment::Default("/opt/quib");
    EXPECT_EQ(env.WinePrefix + env.ProgramDir, "/home/player/.wine/opt/quib");
    EXPECT_EQ(env.PeerPort, 6112) << text;
    EXPECT_EQ(env.DialPort, 0) << text;
  }
  ScopedEnv prefix2("WINEPREFIX", "/b/prefix"), dir2("QUIB_PROGRAM_DIR", "/b/program"),
      port("QUIB_PORT", "65535"), dial("QUIB_DIAL_PORT", "1");
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.WinePrefix + env.ProgramDir, "/b/prefix/b/program");
  EXPECT_EQ(env.PeerPort, 65535);
  EXPECT_EQ(env.DialPort, 1);
}

}  // namespace
