#include <gmock/gmock.h>

#include <filesystem>

#include "app/game_folder_chooser.h"
#include "app/startup.h"
#include "app/window_fixture.h"
#include "support/scoped_env.h"

namespace fs = std::filesystem;

namespace {

TEST(StartupTest, RegistryPathKeepsRemotepcTailAndDeletesTheLog) {
  WindowWorld world;
  // Names on disk differ in case from the texts start-up asks for.
  world.Prefix.Write("drive_c/Games/Morrowind/data files/mwse/REMOTEPC", "\x01\x02\x03\x04tail");
  world.Prefix.Write("drive_c/Games/Morrowind/MWScriptExtender.log", "QUIB::old lines\n");
  world.Register("C:\\Games\\Morrowind");
  world.MakeWindow()->Startup();
  EXPECT_EQ(world.Prefix.Read("drive_c/Games/Morrowind/data files/mwse/REMOTEPC"),
            ByteString(4, '\0') + "tail");
  EXPECT_FALSE(fs::exists(world.Prefix.Path() / "drive_c/Games/Morrowind/MWScriptExtender.log"));

  // A remotepc that is a folder is left alone.
  TempDir other;
  fs::create_directories(other.Path() / "Data Files/MWSE/remotepc");
  PrepareGameFolder(other.Path().string(), true);
  EXPECT_TRUE(fs::is_directory(other.Path() / "Data Files/MWSE/remotepc"));
}

// Unset variables and texts that are no port fall back to 6112 and no dial port.
TEST(EnvironmentDefault, VariablesChooseThePrefixFolderAndPorts) {
  ScopedEnv home("HOME", "/home/player"), prefix("WINEPREFIX", std::nullopt),
      dir("QUIB_PROGRAM_DIR", std::nullopt);
  for (const char* text : {"", "0", "65536", "99999999999", "-1", "6112x", "+80"}) {
    ScopedEnv port("QUIB_PORT", text), dial("QUIB_DIAL_PORT", text);
    const Environment env = Environment::Default("/opt/quib");
    EXPECT_EQ(env.WinePrefix + env.ProgramDir, "/home/player/.wine/opt/quib");
    EXPECT_EQ(env.Home, "/home/player");
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
