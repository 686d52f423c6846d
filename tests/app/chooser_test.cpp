#include <gmock/gmock.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/game_folder_chooser.h"
#include "app/savegame_chooser.h"
#include "app/window_fixture.h"

namespace fs = std::filesystem;

namespace {

using testing::ElementsAre;

MATCHER_P3(IsMessage, text, title, icon, "") {
  return arg.Text == text && arg.Title == title && arg.Icon == icon;
}

void Click(QWidget* chooser, const char* button) {
  QTest::mouseClick(chooser->findChild<QPushButton*>(button), Qt::LeftButton);
}
void DeleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
QString Text(const fs::path& path) { return QString::fromStdString(path.string()); }

// A window whose start-up found no game, so the game folder chooser is open.
struct NoGame {
  NoGame() {
    window->Startup();
    window->show();
    chooser = window->GameFolderChooserWindow();
  }
  WindowWorld world;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
  GameFolderChooser* chooser = nullptr;
};
struct Chooser : testing::Test, NoGame {
  void SetUp() override { ASSERT_NE(chooser, nullptr); }
  TempDir disk;
};

TEST(StartupTest, RegistryPathKeepsRemotepcTailAndDeletesTheLog) {
  WindowWorld world;
  // Names on disk differ in case from the texts start-up asks for.
  world.Prefix.Write("drive_c/Games/Morrowind/data files/mwse/REMOTEPC", "\x01\x02\x03\x04tail");
  world.Prefix.Write("drive_c/Games/Morrowind/MWScriptExtender.log", "QUIB::old lines\n");
  world.RegisterGame();
  world.MakeWindow()->Startup();
  EXPECT_EQ(world.Prefix.Read("drive_c/Games/Morrowind/data files/mwse/REMOTEPC"),
            ByteString(4, '\0') + "tail");
  EXPECT_FALSE(fs::exists(world.Prefix.Path() / "drive_c/Games/Morrowind/MWScriptExtender.log"));
}

TEST_F(Chooser, GameFolderOkNeedsMorrowindExeAndKeepsTheLog) {
  disk.Write("Wrong/Morrowind.exe/inside", "");  // a folder of that name does not count
  disk.Write("Game/MORROWIND.EXE", "MZ");
  disk.Write("Game/MWScriptExtender.log", "old");
  disk.Write("Game/Data Files/MWSE/remotepc", "\x01\x01\x01\x01\x09");
  ASSERT_TRUE(chooser->SetFolder(Text(disk.Path() / "Wrong")));
  Click(chooser, "cmdOk");
  EXPECT_THAT(world.Messages,
              ElementsAre(IsMessage("Morrowind was not found in the selected directory", "error",
                                    MessageIcon::Exclamation)));
  EXPECT_TRUE(chooser->isVisible() && !window->isEnabled());

  ASSERT_TRUE(chooser->SetFolder(Text(disk.Path() / "Game")));
  Click(chooser, "cmdOk");
  EXPECT_EQ(world.Messages.size(), 1u);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->Paths().GameDir, (disk.Path() / "Game").string());
  EXPECT_EQ(disk.Read("Game/Data Files/MWSE/remotepc"), ByteString(4, '\0') + "\x09");
  EXPECT_EQ(disk.Read("Game/MWScriptExtender.log"), "old");
}

TEST_F(Chooser, GameFolderCancelAndClosingTheFrameEndTheProgram) {
  for (bool throughFrame : {false, true}) {
    NoGame local;
    ASSERT_NE(local.chooser, nullptr);
    throughFrame ? void(local.chooser->close()) : Click(local.chooser, "cmdCancel");
    EXPECT_THAT(local.world.Messages,
                ElementsAre(IsMessage("No Morrowind directory selected.  Exiting", "error",
                                      MessageIcon::Information)));
    EXPECT_EQ(local.world.ProgramEnds, 1);
    EXPECT_FALSE(local.window->isVisible() || local.window->Link().IsListening());
  }
}

// Opens the savegame chooser of `window`, picks `name` (if any) and presses `button`.
QStringList Choose(MainWindow& window, const char* name, const char* button) {
  window.Logic().OpenSavegameChooser();
  SavegameChooser* chooser = window.SavegameChooserWindow();
  if (!chooser) return {"no chooser"};
  EXPECT_FALSE(window.isEnabled());
  auto* list = chooser->findChild<QListWidget*>("File1");
  EXPECT_EQ(chooser->focusWidget(), list);  // Space must not press Cancel
  QStringList listed;
  for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
  if (name) list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
  if (button) Click(chooser, button);
  if (!button && name) emit list->itemDoubleClicked(list->currentItem());
  return listed;
}

TEST(SavegameChooser, ListsSavegamesAndOkDoubleClickOrCancelDecide) {
  WindowWorld world;
  TempDir game;
  for (const char* name : {"b.ess", "A.ESS", "notes.txt", ".hidden.ess", "folder.ess/x"})
    game.Write(std::string("saves/") + name, "");
  auto window = world.MakeWindow();
  window->Paths().GameDir = game.Path().string();
  const std::tuple<const char*, const char*, const char*> steps[] = {
      {"b.ess", "cmdOk", "b.ess"}, {"A.ESS", nullptr, "A.ESS"}, {"b.ess", "cmdCancel", "A.ESS"}};
  for (const auto& [name, button, chosen] : steps) {
    EXPECT_EQ(Choose(*window, name, button), QStringList({"A.ESS", "b.ess"}));
    EXPECT_EQ(window->Paths().SaveGamePath, game.Path().string() + "\\Saves\\" + chosen);
    EXPECT_TRUE(window->isEnabled());
    DeleteClosed();
    EXPECT_EQ(window->SavegameChooserWindow(), nullptr);
  }
  EXPECT_TRUE(world.Messages.empty());
}

TEST(SavegameChooser, MissingSavesFolderAsksForASelection) {
  WindowWorld world;
  TempDir folder;
  auto window = world.MakeWindow();
  window->Paths().GameDir = folder.Path().string();
  EXPECT_TRUE(Choose(*window, nullptr, "cmdOk").empty());
  EXPECT_THAT(world.Messages,
              ElementsAre(IsMessage("Please select a savegame to activate your character", "error",
                                    MessageIcon::Information)));
  EXPECT_FALSE(window->isEnabled());
  window->SavegameChooserWindow()->close();  // through the frame: counts as Cancel
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->Paths().SaveGamePath, "");
}

}  // namespace
