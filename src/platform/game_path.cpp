#include "platform/game_path.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "core/names.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

namespace {

// The entry of `folder` named `component` without regard to case; an exact match wins.
fs::path MatchComponent(const fs::path& folder, std::string_view component) {
  std::error_code ec;
  fs::path exact = folder / PathFromUtf8(component);
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsIgnoringCase(Utf8FromPath(it->path().filename()), component)) return it->path();
  }
  return exact;
}

}  // namespace

fs::path ResolveBelow(const fs::path& base, std::string_view relative) {
  const std::optional<std::string> utf8 = GameNameToUtf8(relative);
  return utf8 ? ResolveUtf8Below(base, *utf8) : fs::path();
}

std::vector<std::string_view> PathComponents(std::string_view relative) {
  std::vector<std::string_view> components;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view component = relative.substr(start, end - start);
    if (!component.empty() && component != ".") components.push_back(component);
    start = end + 1;
  }
  return components;
}

fs::path ResolveUtf8Below(const fs::path& base, std::string_view relative) {
  fs::path result = base;
  for (const std::string_view component : PathComponents(relative)) {
    result = MatchComponent(result, component);
  }
  return result;
}

fs::path GamePath(const std::string& gameDir, std::string_view backslashText) {
  return ResolveBelow(PathFromUtf8(gameDir), backslashText);
}

bool NormalFileExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && !IsHidden(path);
}

void MakeFolders(const fs::path& filePath) {
  std::error_code ec;
  const fs::path parent = filePath.parent_path();
  if (!parent.empty()) fs::create_directories(parent, ec);
}
