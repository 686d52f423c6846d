#include "platform/game_path.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/files.h"
#include "support/scoped_env.h"
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

// Game names are bytes in the game's code page; the files on disk have UTF-8 names.
TEST(GamePaths, NamesInTheGamesCodePageFindTheirUtf8Files) {
  struct Case {
    const char* page;
    std::string gameName, diskName;
  };
  const Case cases[] = {
      {"", "Meshes\\caf\xE9_\xFC.nif", "Meshes/caf\u00e9_\u00fc.nif"},
      {"1250",
       "Meshes\\\xA3\xF3"
       "d\x9F.nif",
       "Meshes/\u0141\u00f3d\u017a.nif"},
      {"1251", "Meshes\\\xC6\xE8\xE2.nif", "Meshes/\u0416\u0438\u0432.nif"},
  };
  for (const Case& c : cases) {
    ScopedEnv page("QUIB_CODE_PAGE", c.page);
    TempDir dir;
    const fs::path file = dir.Write(c.diskName, "x");
    EXPECT_EQ(GamePath(dir.Path().string(), "\\" + c.gameName), file) << c.page;
    EXPECT_EQ(GameNameFromUtf8(file.filename().string()), c.gameName.substr(7)) << c.page;
  }
  // No form in the code page (0x81 is unassigned in 1252; Cyrillic in 1252): missing.
  EXPECT_EQ(GamePath("/g", "\\Meshes\\a\x81.nif"), fs::path());
  EXPECT_EQ(GameNameFromUtf8("\u0416.ess"), std::nullopt);
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
