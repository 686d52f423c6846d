#include "platform/game_installs.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The registry of a prefix naming the game at a Windows path.
std::string Reg(const std::string& windowsPath) {
  return "WINE REGISTRY Version 2\n#arch=win32\n\n[Software\\\\Bethesda Softworks\\\\Morrowind]\n"
         "\"Installed Path\"=\"" +
         windowsPath + "\"\n";
}

// A home folder laid out from a table: path -> content ("/" makes a folder, "->x" a link to
// x, "+x" an executable file); "$H" stands for the home folder.
struct Home {
  explicit Home(const std::map<std::string, std::string>& layout) {
    for (const auto& [relative, content] : layout) {
      const fs::path path = dir.Path() / relative;
      std::string text = content;
      for (size_t at; (at = text.find("$H")) != std::string::npos;) {
        text.replace(at, 2, dir.Path().string());
      }
      if (text == "/") {
        fs::create_directories(path);
      } else if (text.rfind("->", 0) == 0) {
        fs::create_directories(path.parent_path());
        fs::create_directory_symlink(text.substr(2), path);
      } else {
        dir.Write(relative, text[0] == '+' ? text.substr(1) : text);
        if (text[0] == '+') fs::permissions(path, fs::perms::owner_all);
      }
    }
  }
  std::string Found() const {
    const std::string found = FindGameDir({"", dir.Path().string()});
    return found == "Not Found" ? found : Rel(found);
  }
  GameWorld World(const std::string& game) const {
    return WorldOfGameDir((dir.Path() / game).string(),
                          {(dir.Path() / "default").string(), dir.Path().string()});
  }
  std::string Rel(const fs::path& path) const {
    return path.empty() ? "" : fs::relative(path, fs::canonical(dir.Path())).string();
  }
  TempDir dir;
};

const std::string kRoot = ".local/share/Steam/steamapps/";
const std::map<std::string, std::string> kSteam = {
    {kRoot + "libraryfolders.vdf", "\"libraryfolders\" { \"1\" { \"path\" \"$H/lib2\" } }"},
    {"lib2/steamapps/appmanifest_22320.acf", "\"AppState\" { \"installdir\" \"Morrowind\" }"},
    {"lib2/steamapps/common/morrowind/Morrowind.exe", "MZ"},
};

std::map<std::string, std::string> With(std::map<std::string, std::string> layout,
                                        const std::map<std::string, std::string>& more) {
  for (const auto& [path, content] : more) layout[path] = content;
  return layout;
}

TEST(GameInstalls, FindsTheGameInTheFirstPlaceThatNamesIt) {
  const std::string pfx = "lib2/steamapps/compatdata/22320/pfx/";
  const struct {
    const char* name;
    std::map<std::string, std::string> layout;
    std::string expected;
  } cases[] = {
      {"steam library listed by the client", kSteam, "lib2/steamapps/common/morrowind"},
      {"library without the app manifest",
       With(kSteam, {{"lib2/steamapps/appmanifest_22320.acf", "/"}}), "Not Found"},
      {"proton prefix naming a folder that exists",
       With(kSteam, {{pfx + "system.reg", Reg("C:\\\\MW")}, {pfx + "drive_c/MW", "/"}}),
       pfx + "drive_c/MW"},
      {"~/.wine before steam",
       With(kSteam, {{".wine/system.reg", Reg("C:\\\\G")}, {".wine/drive_c", "/"}}),
       ".wine/drive_c/G"},
      {"heroic prefix with a pfx inside",
       {{".config/heroic/GamesConfig/1435828982.json",
         "{\"1435828982\": {\"winePrefix\": \"$H/Heroic/MW\"}}"},
        {"Heroic/MW/pfx/system.reg", Reg("C:\\\\GOG Games\\\\Morrowind")},
        {"Heroic/MW/pfx/drive_c", "/"}},
       "Heroic/MW/pfx/drive_c/GOG Games/Morrowind"},
      {"lutris game file",
       {{".config/lutris/games/other.yml", "game:\n  prefix: $H/other\n"},
        {".local/share/lutris/games/morrowind-1.yml", "game:\n  prefix: \"$H/lutris\"\n"},
        {"lutris/system.reg", Reg("C:\\\\MW")},
        {"lutris/drive_c", "/"}},
       "lutris/drive_c/MW"},
  };
  for (const auto& c : cases) EXPECT_EQ(Home(c.layout).Found(), c.expected) << c.name;
}

TEST(GameInstalls, TheGameRunsInTheWorldOfItsFolder) {
  const Home steam({{kRoot + "common/Morrowind/Morrowind.exe", "MZ"},
                    {kRoot + "common/Proton 9.0/proton", "+"},
                    {kRoot + "common/Proton 10.0/proton", "+"},
                    {kRoot + "common/Proton - Experimental/proton", "+"},
                    {kRoot + "common/Proton 11.0/proton", "not executable"}});
  GameWorld world = steam.World(kRoot + "common/Morrowind");
  EXPECT_TRUE(world.Steam);
  EXPECT_EQ(steam.Rel(world.Proton), kRoot + "common/Proton 10.0/proton");
  EXPECT_EQ(steam.Rel(world.CompatData), kRoot + "compatdata/22320");
  EXPECT_EQ(steam.Rel(world.SteamClient), ".local/share/Steam");
  // The Proton Steam's settings name for the game wins.
  steam.dir.Write(".local/share/Steam/config/config.vdf",
                  "InstallConfigStore { Software { Valve { Steam { CompatToolMapping {"
                  " 22320 { name proton_9 } } } } } }");
  EXPECT_EQ(steam.Rel(steam.World(kRoot + "common/Morrowind").Proton),
            kRoot + "common/Proton 9.0/proton");

  const Home wine({{"p/system.reg", Reg("C:\\\\MW")},
                   {"p/drive_c/MW", "/"},
                   {"mnt/games/MW", "/"},
                   {".wine/dosdevices/z:", "->/"},
                   {".config/lutris/games/mw.yml", "game:\n  prefix: $H/lutris\n"},
                   {"lutris/dosdevices/d:", "->$H/mnt/games"},
                   {"elsewhere/MW", "/"}});
  EXPECT_FALSE(wine.World("p/drive_c/MW").Steam);
  EXPECT_EQ(wine.Rel(wine.World("p/drive_c/MW").Prefix), "p");
  EXPECT_EQ(wine.Rel(wine.World("mnt/games/MW").Prefix), "lutris");
  EXPECT_EQ(wine.Rel(wine.World("elsewhere/MW").Prefix), "default");
}

}  // namespace
