#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Where players keep the game. On Linux: a Wine prefix of their own, Steam (Proton), Heroic
// or Lutris, each with Wine prefixes of its own. On Windows: the game's installer names it in
// the registry, else Steam's libraries or GOG's installer do.

// Where to look: the prefix $WINEPREFIX names (else ~/.wine) and the home folder under which
// Steam, Heroic and Lutris keep their files (empty: look nowhere else).
struct InstallSearch {
  std::string WinePrefix;
  std::string Home;
};

// The game folder the registry of one Wine prefix names (HKEY_LOCAL_MACHINE, key
// "SOFTWARE\Bethesda Softworks\Morrowind", value "Installed Path"), as a folder of this
// machine; "Not Found" when the registry has no usable value. The folder is not checked
// for the game. On Windows the machine's own registry (the 32-bit view, then the 64-bit
// one), whatever the prefix.
std::string GameDirFromRegistry(const std::string& winePrefix);

// The game folder, the first hit of: the registry of WinePrefix, of ~/.wine; every Steam
// library holding the game's app manifest (the registry of its Proton prefix when that names
// an existing folder, else the library's own game folder when it holds Morrowind.exe); the
// prefixes Heroic's GamesConfig files name; the prefixes Lutris' game files name.
// "Not Found" when none names the game.
// On Windows, the first hit of: the registry (GameDirFromRegistry); the Steam client's
// libraries (HKEY_CURRENT_USER\Software\Valve\Steam, "SteamPath") holding the game; the
// folder GOG's installer names (HKEY_LOCAL_MACHINE\SOFTWARE\GOG.com\Games\1435828767,
// "path", both views) when it exists. The search's folders are not used there.
std::string FindGameDir(const InstallSearch& search);

// How the game in a folder is started.
struct GameWorld {
  // The game runs on this system itself (Windows): its launcher is started directly.
  bool Native = false;
  // The Wine prefix the game runs in.
  std::filesystem::path Prefix;
  // A Steam install runs through Proton: the game's compatdata folder, the Steam client's
  // folder and the proton script of the Proton to use (empty when none is installed).
  bool Steam = false;
  std::filesystem::path CompatData;
  std::filesystem::path SteamClient;
  std::filesystem::path Proton;
};

// The world of the game folder: a folder in a Steam library (or in a Proton prefix) runs
// through Proton with that library's prefix; any other folder in the Wine prefix that holds
// it (the ancestor with drive_c and system.reg), else in the known prefix one of whose
// dosdevices drives points at a folder above it, else in WinePrefix. Proton is the one
// Steam's configuration names for the game, else the newest "Proton x.y" installed.
GameWorld WorldOfGameDir(const std::string& gameDir, const InstallSearch& search);
