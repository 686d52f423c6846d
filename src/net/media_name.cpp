#include "net/media_name.h"

#include <array>

#include "core/names.h"

namespace {

// Longer names cannot be real media paths and only cost time.
constexpr size_t kMaxNameLength = 1024;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters no Windows file name may hold, besides the control characters.
constexpr std::string_view kForbidden = "<>:\"|?*";

// Windows opens a device, not a file, for these names, whatever extension follows.
bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::array kDevices{"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (EqualsIgnoringCase(base, device)) return true;
  }
  if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
  return EqualsIgnoringCase(base.substr(0, 3), "COM") ||
         EqualsIgnoringCase(base.substr(0, 3), "LPT");
}

// A component Windows can hold as it is: not ".", "..", a device name, or one that ends in a
// dot or a space (Windows drops those, so the file would land under another name).
bool IsPlainComponent(std::string_view part) {
  return !part.empty() && part.back() != '.' && part.back() != ' ' && !IsDeviceName(part);
}

}  // namespace

bool IsSafeMediaName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || kForbidden.find(c) != std::string_view::npos) return false;
  }

  size_t count = 0;
  size_t start = 0;
  while (true) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string_view part = name.substr(start, end - start);
    if (!IsPlainComponent(part)) return false;
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
