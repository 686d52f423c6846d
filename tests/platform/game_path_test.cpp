#include "platform/game_path.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(GamePaths, ComponentsResolveWithoutRegardToLetterCaseExactMatchesFirst) {
  TempDir dir;
  dir.Write("Data Files/Meshes/B/Head_01.NIF", "mesh");
  const std::string game = dir.Path().string();

  EXPECT_EQ(GamePath(game, "\\data files\\MESHES\\b\\head_01.nif"),
            dir.Path() / "Data Files/Meshes/B/Head_01.NIF");
  EXPECT_TRUE(NormalFileExists(GamePath(game, "\\DATA FILES\\meshes\\B\\HEAD_01.nif")));

  // Missing components keep the given spelling; existing ones above them still resolve.
  EXPECT_EQ(GamePath(game, "\\data files\\Textures\\new.dds"),
            dir.Path() / "Data Files/Textures/new.dds");
  // Doubled separators (a root folder ending in a separator) are harmless.
  EXPECT_EQ(GamePath(game + "/", "\\\\Data Files\\meshes"), dir.Path() / "Data Files/Meshes");

  // An exact match wins over another capitalisation.
  dir.Write("saves/a.ess", "1");
  dir.Write("Saves/a.ess", "2");
  EXPECT_EQ(GamePath(dir.Path().string(), "\\Saves\\a.ess"), dir.Path() / "Saves/a.ess");
  EXPECT_EQ(GamePath(dir.Path().string(), "\\saves\\a.ess"), dir.Path() / "saves/a.ess");
}

TEST(GamePaths, NormalFilesAreRegularAndNotHidden) {
  TempDir dir;
  dir.Write("plain.esp", "x");
  dir.Write(".hidden.esp", "x");
  fs::create_directories(dir.Path() / "folder.esp");
  EXPECT_TRUE(NormalFileExists(dir.Path() / "plain.esp"));
  EXPECT_FALSE(NormalFileExists(dir.Path() / ".hidden.esp"));
  EXPECT_FALSE(NormalFileExists(dir.Path() / "folder.esp"));
  EXPECT_FALSE(NormalFileExists(dir.Path() / "missing.esp"));
}

TEST(GamePaths, MakeFoldersCreatesEveryFolderButNotTheFile) {
  TempDir dir;
  const fs::path file = GamePath(dir.Path().string(), "\\Data Files\\MWSE\\remotepc");
  MakeFolders(file);
  EXPECT_TRUE(fs::is_directory(dir.Path() / "Data Files/MWSE"));
  EXPECT_FALSE(fs::exists(file));
}

TEST(Files, WritesAtAnOffsetNeverTruncate) {
  TempDir dir;
  const fs::path file = dir.Write("remotepc", "ABCDEFGH");
  ASSERT_TRUE(WriteFileAt(file, 0, ByteString(4, '\0')));
  EXPECT_EQ(dir.Read("remotepc"), ByteString("\0\0\0\0EFGH", 8));
  ASSERT_TRUE(WriteFileAt(dir.Path() / "new", 0, "abcd"));
  EXPECT_EQ(dir.Read("new"), "abcd");
  EXPECT_FALSE(WriteFileAt(dir.Path() / "missing/folder/file", 0, "x"));
}

TEST(Files, ReadsClipAtTheEnd) {
  TempDir dir;
  const fs::path file = dir.Write("log", "0123456789");
  EXPECT_EQ(ReadFileAt(file, 4, 3).value(), "456");
  EXPECT_EQ(ReadFileAt(file, 8, 100).value(), "89");
  EXPECT_EQ(ReadFileAt(file, 20, 5).value(), "");
  EXPECT_FALSE(ReadFileAt(dir.Path() / "none", 0, 1).has_value());
  EXPECT_EQ(FileSize(file), 10);
  EXPECT_EQ(FileSize(dir.Path() / "none"), -1);
}

}  // namespace
