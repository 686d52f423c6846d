#include <gmock/gmock.h>

#include <QLineEdit>
#include <filesystem>

#include "app/game_folder_chooser.h"
#include "app/startup.h"
#include "app/window_fixture.h"

namespace fs = std::filesystem;

namespace {

const char* kRemotepc = "drive_c/Games/Morrowind/Data Files/MWSE/remotepc";
const char* kLog = "drive_c/Games/Morrowind/MWScriptExtender.log";

class StartupTest : public testing::Test {
 protected:
  WindowWorld world;
};

TEST_F(StartupTest, RegistryDecidesBetweenGameFolderAndChooser) {
  struct Case {
    const char* name;
    const char* key;  // nullptr: no system.reg at all
    std::string value;
    bool found;
  };
  const Case cases[] = {
      {"plain key", "Software\\\\Bethesda Softworks\\\\Morrowind", "C:\\Games\\Morrowind", true},
      {"no registry", nullptr, "", false},
  };
  for (const Case& c : cases) {
    WindowWorld local;
    fs::create_directories(local.Prefix.Path() / "drive_c" / "Games" / "Morrowind");
    if (c.key) local.Register(c.value, c.key);
    auto window = local.MakeWindow();
    window->Startup();
    EXPECT_EQ(window->Paths().ArenaTemplatePath, local.Program.Path().string() + "/arena.dat");
    if (c.found) {
      EXPECT_EQ(window->Paths().GameDir,
                (fs::canonical(local.Prefix.Path()) / "drive_c/Games/Morrowind").string())
          << c.name;
      EXPECT_EQ(window->GameFolderChooserWindow(), nullptr) << c.name;
      EXPECT_TRUE(window->isEnabled()) << c.name;
      EXPECT_EQ(local.Prefix.Read(kRemotepc), ByteString(4, '\0')) << c.name;
    } else {
      EXPECT_EQ(window->Paths().GameDir, "Not Found") << c.name;
      ASSERT_NE(window->GameFolderChooserWindow(), nullptr) << c.name;
      EXPECT_TRUE(window->GameFolderChooserWindow()->isVisible()) << c.name;
      EXPECT_FALSE(window->isEnabled()) << c.name;
      EXPECT_FALSE(fs::exists(local.Prefix.Path() / kRemotepc)) << c.name;
    }
    // Either way the listener is up on the window's own port and the label says so.
    EXPECT_TRUE(window->Link().IsListening()) << c.name;
    EXPECT_EQ(window->Link().ListenerPort(), window->Env().PeerPort) << c.name;
    EXPECT_EQ(window->Drop1BackColor(), 65535) << c.name;
    EXPECT_TRUE(local.Messages.empty()) << c.name;
  }
}

TEST_F(StartupTest, RegistryPathKeepsRemotepcTailAndDeletesTheLog) {
  // Names on disk differ in case from the texts start-up asks for.
  world.Prefix.Write("drive_c/Games/Morrowind/data files/mwse/REMOTEPC", "\x01\x02\x03\x04tail");
  world.Prefix.Write(kLog, "QUIB::old lines\n");
  world.Register("C:\\Games\\Morrowind");
  auto window = world.MakeWindow();
  window->Startup();
  EXPECT_EQ(world.Prefix.Read("drive_c/Games/Morrowind/data files/mwse/REMOTEPC"),
            ByteString(4, '\0') + "tail");
  EXPECT_FALSE(fs::exists(world.Prefix.Path() / kLog));
  // A folder without Morrowind.exe is accepted on this path.
  EXPECT_EQ(window->Paths().GameDir,
            (fs::canonical(world.Prefix.Path()) / "drive_c/Games/Morrowind").string());
}

TEST_F(StartupTest, RemotepcThatIsAFolderIsLeftAlone) {
  fs::create_directories(world.Prefix.Path() / kRemotepc);
  PrepareGameFolder((world.Prefix.Path() / "drive_c/Games/Morrowind").string(), true);
  EXPECT_TRUE(fs::is_directory(world.Prefix.Path() / kRemotepc));
}

TEST_F(StartupTest, AddressBoxesComeFromOpponentDat) {
  struct Case {
    ByteString file;
    bool present;
    std::vector<const char*> boxes;
  };
  const Case cases[] = {
      {"", false, {"192", "168", "1", "100"}},
      {ByteString("\x00\xFF\x07\x2A", 4), true, {"0", "255", "7", "42"}},
      {ByteString("\x0A\x00\x00\x07\x09\x09", 6), true, {"10", "0", "0", "7"}},
  };
  for (const Case& c : cases) {
    WindowWorld local;
    if (c.present) local.Program.Write("Opponent.dat", c.file);
    auto window = local.MakeWindow();
    window->Startup();
    const char* names[] = {"Text1", "Text2", "Text3", "Text4"};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(window->findChild<QLineEdit*>(names[i])->text(), c.boxes[i])
          << c.file.size() << " bytes, " << names[i];
    }
  }
}

}  // namespace
