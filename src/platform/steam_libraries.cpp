#include "platform/steam_libraries.h"

#include <algorithm>
#include <system_error>

#include "core/app_paths.h"
#include "core/names.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace {

// Launcher configs are small; a larger file is not one.
constexpr int64_t kMaxConfigSize = 4 << 20;

fs::path Manifest(const fs::path& library) {
  return library / "steamapps" / ("appmanifest_" + std::string(kSteamAppId) + ".acf");
}

}  // namespace

std::optional<std::string> ReadLauncherFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || FileSize(file) > kMaxConfigSize) return std::nullopt;
  return ReadWholeFile(file);
}

std::optional<ValveNode> ReadValveFile(const fs::path& file) {
  const std::optional<std::string> text = ReadLauncherFile(file);
  return text ? ReadValveText(*text) : std::nullopt;
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path : canonical;
}

void AddFolder(std::vector<fs::path>& folders, const fs::path& folder) {
  if (!IsDirectory(folder)) return;
  const fs::path canonical = Canonical(folder);
  if (std::find(folders.begin(), folders.end(), canonical) == folders.end()) {
    folders.push_back(canonical);
  }
}

std::vector<fs::path> SteamLibraries(const std::vector<fs::path>& roots) {
  std::vector<fs::path> libraries;
  for (const fs::path& root : roots) {
    if (IsDirectory(root / "steamapps")) AddFolder(libraries, root);
    for (const fs::path& file :
         {root / "steamapps" / "libraryfolders.vdf", root / "config" / "libraryfolders.vdf"}) {
      const std::optional<ValveNode> tree = ReadValveFile(file);
      const ValveNode* list = tree ? ValveFind(*tree, {"libraryfolders"}) : nullptr;
      if (!list) continue;
      for (const ValveNode& entry : list->Children) {
        const bool numbered =
            !entry.Key.empty() && std::all_of(entry.Key.begin(), entry.Key.end(),
                                              [](char c) { return c >= '0' && c <= '9'; });
        const ValveNode* path = ValveFind(entry, {"path"});
        const fs::path folder = PathFromUtf8(path ? path->Value : numbered ? entry.Value : "");
        if (!folder.empty() && IsDirectory(folder / "steamapps")) AddFolder(libraries, folder);
      }
    }
  }
  return libraries;
}

bool HoldsSteamGame(const fs::path& library) { return NormalFileExists(Manifest(library)); }

std::string SteamLibraryGameDir(const fs::path& library) {
  std::string installDir = "Morrowind";
  const std::optional<ValveNode> tree = ReadValveFile(Manifest(library));
  const ValveNode* named = tree ? ValveFind(*tree, {"AppState", "installdir"}) : nullptr;
  if (named && !named->Value.empty() && named->Value.find_first_of("/\\") == std::string::npos &&
      !HasParentStep(named->Value)) {
    installDir = named->Value;
  }
  const fs::path common = ResolveUtf8Below(library / "steamapps" / "common", installDir);
  return NormalFileExists(ResolveUtf8Below(common, "Morrowind.exe")) ? Utf8FromPath(common)
                                                                     : std::string(kNotFound);
}
