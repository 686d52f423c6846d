#include "platform/game_path.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Letter case is ignored (the callers' tests show it); an exact match wins over another
// capitalisation, and missing components keep the given spelling.
TEST(GamePaths, ExactMatchesFirstAndMissingComponentsKeepTheirSpelling) {
  TempDir dir;
  dir.Write("saves/a.ess", "1");
  dir.Write("Saves/a.ess", "2");
  dir.Write("Data Files/x", "");
  const std::string game = dir.Path().string();
  EXPECT_EQ(GamePath(game, "\\Saves\\a.ess"), dir.Path() / "Saves/a.ess");
  EXPECT_EQ(GamePath(game, "\\saves\\a.ess"), dir.Path() / "saves/a.ess");
  EXPECT_EQ(GamePath(game, "\\data files\\Textures\\new.dds"),
            dir.Path() / "Data Files/Textures/new.dds");
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

}  // namespace
