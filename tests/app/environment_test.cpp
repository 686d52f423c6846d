#include "app/environment.h"

#include <gmock/gmock.h>

#include "support/scoped_env.h"

namespace {

TEST(EnvironmentDefault, VariablesChooseThePrefixFolderAndPorts) {
  {
    ScopedEnv home("HOME", "/home/player"), prefix("WINEPREFIX", std::nullopt),
        dir("QUIB_PROGRAM_DIR", std::nullopt), port("QUIB_PORT", std::nullopt),
        dial("QUIB_DIAL_PORT", std::nullopt);
    const Environment env = Environment::Default("/opt/quib");
    EXPECT_EQ(env.WinePrefix, "/home/player/.wine");
    EXPECT_EQ(env.Home, "/home/player");
    EXPECT_EQ(env.ProgramDir, "/opt/quib");
    EXPECT_EQ(env.PeerPort, 6112);
    EXPECT_EQ(env.DialPort, 0);
  }
  ScopedEnv prefix("WINEPREFIX", "/demo/b/prefix"), dir("QUIB_PROGRAM_DIR", "/demo/b/program"),
      port("QUIB_PORT", "6113"), dial("QUIB_DIAL_PORT", "6112");
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.WinePrefix, "/demo/b/prefix");
  EXPECT_EQ(env.ProgramDir, "/demo/b/program");
  EXPECT_EQ(env.PeerPort, 6113);
  EXPECT_EQ(env.DialPort, 6112);
}

TEST(EnvironmentDefault, APortThatIsNoPortIsIgnored) {
  for (const char* text : {"", "0", "65536", "99999999999", "-1", "6112x", "+80"}) {
    ScopedEnv port("QUIB_PORT", text), dial("QUIB_DIAL_PORT", text);
    EXPECT_EQ(Environment::Default("").PeerPort, 6112) << text;
    EXPECT_EQ(Environment::Default("").DialPort, 0) << text;
  }
  ScopedEnv port("QUIB_PORT", "65535"), dial("QUIB_DIAL_PORT", "1");
  EXPECT_EQ(Environment::Default("").PeerPort, 65535);
  EXPECT_EQ(Environment::Default("").DialPort, 1);
}

}  // namespace
