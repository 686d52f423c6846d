#include "net/media_name.h"

#include "core/names.h"

namespace {

// Longer names cannot be real media paths and only cost time.
constexpr size_t kMaxNameLength = 1024;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool IsSafeMediaName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || c == ':') return false;
  }

  size_t count = 0;
  size_t start = 0;
  while (true) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (count == 0 && !EqualsIgnoringCase(part, "Meshes") &&
        !EqualsIgnoringCase(part, "Textures") && !EqualsIgnoringCase(part, "Icons")) {
      return false;
    }
    ++count;
    if (end == name.size()) break;
    start = end + 1;
  }
  return count >= 2;
}
