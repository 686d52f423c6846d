#include "platform/game_path.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/path_text.h"
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
  const std::string game = Utf8FromPath(dir.Path());
#ifdef _WIN32
  // Windows folders ignore letter case themselves: any spelling is the same file.
  EXPECT_EQ(ReadWholeFile(GamePath(game, "\\SAVES\\A.ess")), "2");
  EXPECT_TRUE(fs::equivalent(GamePath(game, "\\data files\\x"), dir.Path() / "Data Files/x"));
#else
  EXPECT_EQ(GamePath(game, "\\Saves\\a.ess"), dir.Path() / "Saves/a.ess");
  EXPECT_EQ(GamePath(game, "\\saves\\a.ess"), dir.Path() / "saves/a.ess");
  EXPECT_EQ(GamePath(game, "\\data files\\Textures\\new.dds"),
            dir.Path() / "Data Files/Textures/new.dds");
#endif
}

// Game names are bytes in the game's code page; the files on disk have UTF-8 names (UTF-16 on
// Windows), in a game folder whose own name is not ASCII either.
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
    const std::string folder = "Gam\u00e9 \u0141\u00f3d\u017a \u0416\u0443\u043a/";
    const fs::path file = dir.Write(folder + c.diskName, "x");
    const std::string game = Utf8FromPath(dir.Path() / PathFromUtf8(folder));
    EXPECT_EQ(GamePath(game, "\\" + c.gameName), file) << c.page;
    EXPECT_EQ(GameNameFromUtf8(Utf8FromPath(file.filename())), c.gameName.substr(7)) << c.page;
    EXPECT_TRUE(WriteFileAtomically(GamePath(game, "\\MESHES\\new" + c.gameName.substr(7)), "y"));
    EXPECT_EQ(dir.Read(folder + "Meshes/new" + c.diskName.substr(7)), "y") << c.page;
  }
  // No form in the code page (0x81 is unassigned in 1252; Cyrillic in 1252): missing.
  EXPECT_EQ(GamePath("/g", "\\Meshes\\a\x81.nif"), fs::path());
  EXPECT_EQ(GameNameFromUtf8("\u0416.ess"), std::nullopt);
}

}  // namespace
