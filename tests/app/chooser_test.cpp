#include <gmock/gmock.h>

#include <QComboBox>
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

class GameFolderChooserTest : public testing::Test {
 protected:
  void SetUp() override {
    window->Startup();
    chooser = window->GameFolderChooserWindow();
    ASSERT_NE(chooser, nullptr);
  }

  WindowWorld world;
  TempDir disk;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
  GameFolderChooser* chooser = nullptr;
};

TEST_F(GameFolderChooserTest, OkNeedsMorrowindExeAndKeepsTheLog) {
  disk.Write("Wrong/Morrowind.exe/inside", "");  // a folder of that name does not count
  disk.Write("Game/MORROWIND.EXE", "MZ");
  disk.Write("Game/MWScriptExtender.log", "old");
  disk.Write("Game/Data Files/MWSE/remotepc", "\x01\x01\x01\x01\x09");
  const QString wrong = QString::fromStdString((disk.Path() / "Wrong").string());
  const QString game = QString::fromStdString((disk.Path() / "Game").string());

  ASSERT_TRUE(chooser->SetFolder(wrong));
  Click(chooser, "cmdOk");
  EXPECT_THAT(world.Messages,
              ElementsAre(IsMessage("Morrowind was not found in the selected directory", "error",
                                    MessageIcon::Exclamation)));
  EXPECT_TRUE(chooser->isVisible());
  EXPECT_FALSE(window->isEnabled());
  EXPECT_EQ(window->Paths().GameDir, "Not Found");

  ASSERT_TRUE(chooser->SetFolder(game));
  Click(chooser, "cmdOk");
  EXPECT_EQ(world.Messages.size(), 1u);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->Paths().GameDir, game.toStdString());
  EXPECT_EQ(disk.Read("Game/Data Files/MWSE/remotepc"), ByteString(4, '\0') + "\x09");
  EXPECT_EQ(disk.Read("Game/MWScriptExtender.log"), "old");
  EXPECT_EQ(world.ProgramEnds, 0);
  DeleteClosed();
  EXPECT_EQ(window->GameFolderChooserWindow(), nullptr);
}

TEST_F(GameFolderChooserTest, CancelAndClosingTheFrameEndTheProgram) {
  for (bool throughFrame : {false, true}) {
    WindowWorld local;
    auto main = local.MakeWindow();
    main->Startup();
    main->show();
    GameFolderChooser* form2 = main->GameFolderChooserWindow();
    ASSERT_NE(form2, nullptr);
    if (throughFrame) {
      form2->close();
    } else {
      Click(form2, "cmdCancel");
    }
    EXPECT_THAT(local.Messages, ElementsAre(IsMessage("No Morrowind directory selected.  Exiting",
                                                      "error", MessageIcon::Information)));
    EXPECT_EQ(local.ProgramEnds, 1);
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(main->Link().IsListening());
    EXPECT_EQ(main->Paths().GameDir, "Not Found");
  }
}

TEST_F(GameFolderChooserTest, FolderListOpensFoldersAndDrivesThatFailKeepIt) {
  disk.Write("Top/Beta/x", "");
  disk.Write("Top/alpha/x", "");
  disk.Write("Top/.hidden/x", "");
  disk.Write("Top/file.txt", "");
  const QString top = QString::fromStdString(fs::canonical(disk.Path() / "Top").string());
  ASSERT_TRUE(chooser->SetFolder(top));
  auto* dir1 = chooser->findChild<QListWidget*>("Dir1");
  EXPECT_EQ(chooser->focusWidget(), dir1);  // Space must not press Cancel
  QStringList shown;
  for (int i = 0; i < dir1->count(); ++i) shown << dir1->item(i)->text().trimmed();
  EXPECT_EQ(shown.mid(shown.size() - 3), QStringList({".hidden", "alpha", "Beta"}));
  EXPECT_EQ(shown.front(), "/");

  emit dir1->itemActivated(dir1->item(dir1->count() - 1));
  EXPECT_EQ(chooser->CurrentFolder(), top + "/Beta");
  EXPECT_FALSE(chooser->SetFolder(top + "/missing"));
  EXPECT_EQ(chooser->CurrentFolder(), top + "/Beta");

  const int drives = chooser->findChild<QComboBox*>("Drive1")->count();
  EXPECT_GE(drives, 1);
  chooser->ChangeDrive("/no/such/drive");
  EXPECT_THAT(world.Messages,
              ElementsAre(IsMessage("Device unavailable", "Quib", MessageIcon::Information)));
  EXPECT_EQ(chooser->CurrentFolder(), top + "/Beta");
}

class SavegameChooserTest : public testing::Test {
 protected:
  SavegameChooser* Open() {
    window->OpenSavegameChooser();
    SavegameChooser* chooser = window->SavegameChooserWindow();
    EXPECT_NE(chooser, nullptr);
    EXPECT_FALSE(window->isEnabled());
    return chooser;
  }
  QStringList Listed(SavegameChooser* chooser) {
    QStringList names;
    auto* list = chooser->findChild<QListWidget*>("File1");
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }
  void Select(SavegameChooser* chooser, const QString& name) {
    auto* list = chooser->findChild<QListWidget*>("File1");
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
  }

  WindowWorld world;
  TempDir game;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
};

TEST_F(SavegameChooserTest, ListsSavegamesOfTheSavesFolder) {
  game.Write("saves/b.ess", "");
  game.Write("saves/A.ESS", "");
  game.Write("saves/notes.txt", "");
  game.Write("saves/.hidden.ess", "");
  game.Write("saves/folder.ess/x", "");
  window->Paths().GameDir = game.Path().string();
  SavegameChooser* chooser = Open();
  EXPECT_EQ(Listed(chooser), QStringList({"A.ESS", "b.ess"}));
  EXPECT_EQ(chooser->windowTitle(), "Select a Savegame");
  EXPECT_EQ(chooser->focusWidget(), chooser->findChild<QListWidget*>("File1"));

  Select(chooser, "b.ess");
  Click(chooser, "cmdOk");
  EXPECT_EQ(window->Paths().SaveGamePath, game.Path().string() + "\\Saves\\b.ess");
  EXPECT_TRUE(window->isEnabled());
  DeleteClosed();
  EXPECT_EQ(window->SavegameChooserWindow(), nullptr);

  // A second choice by double-click replaces the first; Cancel then keeps it.
  chooser = Open();
  auto* list = chooser->findChild<QListWidget*>("File1");
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(window->Paths().SaveGamePath, game.Path().string() + "\\Saves\\A.ESS");
  EXPECT_TRUE(window->isEnabled());
  DeleteClosed();

  chooser = Open();
  Select(chooser, "b.ess");
  Click(chooser, "cmdCancel");
  EXPECT_EQ(window->Paths().SaveGamePath, game.Path().string() + "\\Saves\\A.ESS");
  EXPECT_TRUE(window->isEnabled());
  EXPECT_TRUE(world.Messages.empty());
}

TEST_F(SavegameChooserTest, EmptyOrMissingSavesFolderAsksForASelection) {
  for (bool savesFolder : {true, false}) {
    WindowWorld local;
    TempDir folder;
    if (savesFolder) folder.Write("Saves/readme.txt", "");
    auto main = local.MakeWindow();
    main->Paths().GameDir = folder.Path().string();
    main->OpenSavegameChooser();
    SavegameChooser* chooser = main->SavegameChooserWindow();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->findChild<QListWidget*>("File1")->count(), 0);
    Click(chooser, "cmdOk");
    EXPECT_THAT(local.Messages,
                ElementsAre(IsMessage("Please select a savegame to activate your character",
                                      "error", MessageIcon::Information)));
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_FALSE(main->isEnabled());
    chooser->close();  // through the frame: counts as Cancel
    EXPECT_TRUE(main->isEnabled());
    EXPECT_EQ(main->Paths().SaveGamePath, "");
  }
}

}  // namespace
