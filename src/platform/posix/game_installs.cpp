#include "platform/game_installs.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "core/app_paths.h"
#include "core/names.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/install_configs.h"
#include "platform/path_text.h"
#include "platform/steam_libraries.h"
#include "platform/wine_registry.h"

namespace fs = std::filesystem;

namespace {

// The entries of a folder, sorted by name, for an order that does not depend on the disk.
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool IsAtOrBelow(const fs::path& folder, const fs::path& path) {
  return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
         folder.end();
}

fs::path ExpandHome(const std::string& path, const std::string& home) {
  if (path == "~") return home;
  if (path.rfind("~/", 0) == 0) return fs::path(home) / path.substr(2);
  return path;
}

// A launcher's prefix folder, or the pfx folder inside it that Proton-style tools use.
fs::path WinePrefixIn(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_regular_file(folder / "system.reg", ec) &&
      fs::is_regular_file(folder / "pfx" / "system.reg", ec)) {
    return folder / "pfx";
  }
  return folder;
}

bool IsPrefix(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder / "drive_c", ec) && fs::is_regular_file(folder / "system.reg", ec);
}

std::vector<fs::path> SteamRoots(const std::string& home) {
  std::vector<fs::path> roots;
  if (home.empty()) return roots;
  for (const char* place : {".steam/steam", ".steam/root", ".local/share/Steam",
                            ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                            ".var/app/com.valvesoftware.Steam/data/Steam"}) {
    AddFolder(roots, fs::path(home) / place);
  }
  return roots;
}

std::string SteamGameDir(const fs::path& library) {
  if (!HoldsSteamGame(library)) return kNotFound;
  const std::string registered =
      GameDirFromRegistry(Utf8FromPath(library / "steamapps" / "compatdata" / kSteamAppId / "pfx"));
  if (registered != kNotFound && IsDirectory(PathFromUtf8(registered))) return registered;
  return SteamLibraryGameDir(library);
}

std::vector<fs::path> ConfigFiles(const std::vector<fs::path>& folders,
                                  std::initializer_list<const char*> extensions) {
  std::vector<fs::path> files;
  for (const fs::path& folder : folders) {
    for (const fs::path& file : Entries(folder)) {
      for (const char* extension : extensions) {
        if (file.extension() == extension) files.push_back(file);
      }
    }
  }
  return files;
}

// The prefixes Heroic's GamesConfig files and Lutris' game files name.
std::vector<fs::path> LauncherPrefixes(const std::string& home) {
  std::vector<fs::path> prefixes;
  if (home.empty()) return prefixes;
  const fs::path h(home);
  for (const fs::path& file :
       ConfigFiles({h / ".config/heroic/GamesConfig",
                    h / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig"},
                   {".json"})) {
    const std::optional<std::string> text = ReadLauncherFile(file);
    if (!text) continue;
    for (const std::string& prefix : JsonStringMembers(*text, "winePrefix")) {
      prefixes.push_back(WinePrefixIn(ExpandHome(prefix, home)));
    }
  }
  for (const fs::path& file : ConfigFiles(
           {h / ".config/lutris/games", h / ".local/share/lutris/games"}, {".yml", ".yaml"})) {
    const std::optional<std::string> text = ReadLauncherFile(file);
    const std::optional<std::string> prefix =
        text ? YamlValue(*text, "game", "prefix") : std::nullopt;
    if (prefix && !prefix->empty()) prefixes.push_back(WinePrefixIn(ExpandHome(*prefix, home)));
  }
  return prefixes;
}

// "Proton 8.0" -> {8, 0}; "Proton - Experimental" -> {}; nothing for another folder.
std::optional<std::vector<int>> ProtonVersion(const std::string& folderName) {
  if (folderName.rfind("Proton ", 0) != 0) return std::nullopt;
  std::vector<int> version;
  for (size_t at = 7;
       at < folderName.size() && std::isdigit(static_cast<unsigned char>(folderName[at]));) {
    int number = 0;
    while (at < folderName.size() && std::isdigit(static_cast<unsigned char>(folderName[at])) &&
           number < 100000) {
      number = number * 10 + (folderName[at++] - '0');
    }
    version.push_back(number);
    if (at < folderName.size() && folderName[at] == '.') ++at;
  }
  return version;
}

// Steam's internal name of an official Proton folder: "Proton 8.0" -> "proton_8",
// "Proton 5.13" -> "proton_513", "Proton - Experimental" -> "proton_experimental".
std::string ProtonToolName(const std::string& folderName) {
  const std::optional<std::vector<int>> version = ProtonVersion(folderName);
  if (!version) return "";
  if (version->empty()) {
    std::string rest = ToLower(folderName.substr(7));
    rest.erase(0, rest.find_first_not_of("- "));
    return "proton_" + rest;
  }
  std::vector<int> parts = *version;
  while (parts.size() > 1 && parts.back() == 0) parts.pop_back();
  std::string name = "proton_";
  for (int part : parts) name += std::to_string(part);
  return name;
}

bool HasProtonScript(const fs::path& folder) {
  std::error_code ec;
  const fs::path script = folder / "proton";
  return fs::is_regular_file(script, ec) &&
         (fs::status(script, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

std::string ConfiguredTool(const std::vector<fs::path>& roots) {
  for (const fs::path& root : roots) {
    const std::optional<ValveNode> tree = ReadValveFile(root / "config" / "config.vdf");
    const ValveNode* name =
        tree ? ValveFind(*tree, {"InstallConfigStore", "Software", "Valve", "Steam",
                                 "CompatToolMapping", kSteamAppId, "name"})
             : nullptr;
    if (name && !name->Value.empty()) return name->Value;
  }
  return "";
}

fs::path ChooseProton(const std::vector<fs::path>& roots, const std::vector<fs::path>& libraries) {
  std::vector<fs::path> official;
  for (const fs::path& library : libraries) {
    for (const fs::path& folder : Entries(library / "steamapps" / "common")) {
      if (ProtonVersion(folder.filename().string()) && HasProtonScript(folder)) {
        official.push_back(folder);
      }
    }
  }
  if (const std::string tool = ConfiguredTool(roots); !tool.empty()) {
    for (const fs::path& root : roots) {
      for (const fs::path& folder : Entries(root / "compatibilitytools.d")) {
        const std::optional<ValveNode> tree = ReadValveFile(folder / "compatibilitytool.vdf");
        const ValveNode* tools =
            tree ? ValveFind(*tree, {"compatibilitytools", "compat_tools"}) : nullptr;
        const bool named = folder.filename() == tool || (tools && ValveFind(*tools, {tool}));
        if (named && HasProtonScript(folder)) return folder / "proton";
      }
    }
    for (const fs::path& folder : official) {
      if (ProtonToolName(folder.filename().string()) == tool) return folder / "proton";
    }
  }
  // The newest numbered Proton; Experimental or Hotfix only when no numbered one is there.
  const fs::path* best = nullptr;
  std::vector<int> bestVersion;
  for (const fs::path& folder : official) {
    const std::vector<int> version = *ProtonVersion(folder.filename().string());
    if (!best || version > bestVersion) {
      best = &folder;
      bestVersion = version;
    }
  }
  return best ? *best / "proton" : fs::path();
}

// The Steam library a game folder lies in (…/steamapps/common/x) or whose Proton prefix
// holds it (…/steamapps/compatdata/id/pfx); empty for none.
fs::path SteamLibraryOf(const fs::path& folder, const fs::path& prefix) {
  for (fs::path at = folder; at.has_relative_path(); at = at.parent_path()) {
    if (at.filename() == "common" && at.parent_path().filename() == "steamapps") {
      return at.parent_path().parent_path();
    }
  }
  const fs::path compat = prefix.parent_path().parent_path();
  if (prefix.filename() == "pfx" && compat.filename() == "compatdata" &&
      compat.parent_path().filename() == "steamapps") {
    return compat.parent_path().parent_path();
  }
  return {};
}

// A known prefix one of whose drives (other than the whole disk) holds the folder.
fs::path PrefixByDrive(const fs::path& folder, const std::vector<fs::path>& prefixes) {
  for (const fs::path& prefix : prefixes) {
    for (const fs::path& drive : Entries(prefix / "dosdevices")) {
      const std::string name = drive.filename().string();
      if (name.size() != 2 || name[1] != ':') continue;
      const fs::path target = Canonical(drive);
      if (target.has_relative_path() && IsAtOrBelow(target, folder)) return prefix;
    }
  }
  return {};
}

}  // namespace

std::string GameDirFromRegistry(const std::string& winePrefix) {
  const std::string value =
      ReadRegistryValue(winePrefix, RegistryRoot::LocalMachine,
                        "SOFTWARE\\Bethesda Softworks\\Morrowind\\", "Installed Path");
  // An empty value names no folder; game paths formed from it would land in the current
  // folder, so it counts as no value at all.
  if (value == kNotFound || value.empty()) return kNotFound;
  const std::string folder = MapWindowsPath(winePrefix, value);
  return folder.empty() ? std::string(kNotFound) : folder;
}

std::string FindGameDir(const InstallSearch& search) {
  std::vector<fs::path> ownPrefixes{search.WinePrefix};
  if (!search.Home.empty()) ownPrefixes.push_back(fs::path(search.Home) / ".wine");
  for (const fs::path& prefix : ownPrefixes) {
    if (prefix.empty()) continue;
    const std::string dir = GameDirFromRegistry(prefix.string());
    if (dir != kNotFound) return dir;
  }
  for (const fs::path& library : SteamLibraries(SteamRoots(search.Home))) {
    const std::string dir = SteamGameDir(library);
    if (dir != kNotFound) return dir;
  }
  for (const fs::path& prefix : LauncherPrefixes(search.Home)) {
    const std::string dir = GameDirFromRegistry(prefix.string());
    if (dir != kNotFound) return dir;
  }
  return kNotFound;
}

GameWorld WorldOfGameDir(const std::string& gameDir, const InstallSearch& search) {
  GameWorld world;
  const fs::path folder = Canonical(gameDir);
  fs::path prefix;
  for (fs::path at = folder; at.has_relative_path(); at = at.parent_path()) {
    if (IsPrefix(at)) {
      prefix = at;
      break;
    }
  }

  if (const fs::path library = SteamLibraryOf(folder, prefix); !library.empty()) {
    const std::vector<fs::path> roots = SteamRoots(search.Home);
    const std::vector<fs::path> libraries = SteamLibraries(roots);
    world.Steam = true;
    world.CompatData =
        prefix.empty() ? library / "steamapps" / "compatdata" / kSteamAppId : prefix.parent_path();
    world.Prefix = world.CompatData / "pfx";
    world.SteamClient = roots.empty() ? library : roots.front();
    for (const fs::path& root : roots) {
      const std::vector<fs::path> own = SteamLibraries({root});
      if (std::find(own.begin(), own.end(), Canonical(library)) != own.end()) {
        world.SteamClient = root;
        break;
      }
    }
    std::vector<fs::path> searched = libraries;
    AddFolder(searched, library);
    world.Proton = ChooseProton(roots, searched);
    return world;
  }
  if (prefix.empty()) {
    std::vector<fs::path> known{search.WinePrefix};
    if (!search.Home.empty()) known.push_back(fs::path(search.Home) / ".wine");
    for (const fs::path& launcher : LauncherPrefixes(search.Home)) known.push_back(launcher);
    prefix = PrefixByDrive(folder, known);
  }
  world.Prefix = prefix.empty() ? fs::path(search.WinePrefix) : prefix;
  return world;
}
