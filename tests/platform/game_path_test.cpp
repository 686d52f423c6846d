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

}  // namespace
