#include "platform/game_installs.h"

#include <windows.h>

#include "core/app_paths.h"
#include "platform/path_text.h"
#include "platform/steam_libraries.h"
#include "platform/win/wide_text.h"

namespace fs = std::filesystem;

namespace {

// A read into a buffer of this many bytes (the UTF-8 text and its NUL), as on Linux.
constexpr size_t kValueBufferSize = 2048;

// A string value of one view of the registry; "Not Found" when the key, the value or a text
// is missing. `view` is KEY_WOW64_32KEY or KEY_WOW64_64KEY.
std::string RegistryText(HKEY root, const wchar_t* key, const wchar_t* name, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
    return kNotFound;
  }
  const DWORD types = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  DWORD size = 0;
  std::wstring text;
  LSTATUS status = RegGetValueW(opened, nullptr, name, types, nullptr, nullptr, &size);
  if (status == ERROR_SUCCESS && size > 0) {
    text.resize(size / sizeof(wchar_t));
    status = RegGetValueW(opened, nullptr, name, types, nullptr, text.data(), &size);
    text.resize(status == ERROR_SUCCESS ? size / sizeof(wchar_t) : 0);
  }
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return kNotFound;
  text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
  const std::string utf8 = Utf8FromWide(text);
  return utf8.size() + 1 > kValueBufferSize ? std::string(kNotFound) : utf8;
}

// The 32-bit programs' view first (the game and its installers are 32-bit), then the 64-bit
// one.
std::string MachineText(const wchar_t* key, const wchar_t* name) {
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    const std::string text = RegistryText(HKEY_LOCAL_MACHINE, key, name, view);
    if (text != kNotFound) return text;
  }
  return kNotFound;
}

// An existing folder a registry value names; "Not Found" for an empty or missing one.
std::string FolderNamed(const std::string& value) {
  if (value == kNotFound || value.empty()) return kNotFound;
  return IsDirectory(PathFromUtf8(value)) ? value : std::string(kNotFound);
}

// The Steam client names its folder in the user's registry ("c:/program files (x86)/steam").
std::string SteamGameDir() {
  const std::string steam =
      RegistryText(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", L"SteamPath", KEY_WOW64_64KEY);
  if (steam == kNotFound || steam.empty()) return kNotFound;
  for (const fs::path& library : SteamLibraries({PathFromUtf8(steam)})) {
    if (!HoldsSteamGame(library)) continue;
    const std::string dir = SteamLibraryGameDir(library);
    if (dir != kNotFound) return dir;
  }
  return kNotFound;
}

}  // namespace

std::string GameDirFromRegistry(const std::string&) {
  // An empty value names no folder; game paths formed from it would land in the current
  // folder, so it counts as no value at all.
  const std::string value =
      MachineText(L"SOFTWARE\\Bethesda Softworks\\Morrowind", L"Installed Path");
  if (value == kNotFound || value.empty()) return kNotFound;
  return value;
}

std::string FindGameDir(const InstallSearch&) {
  if (const std::string dir = GameDirFromRegistry(""); dir != kNotFound) return dir;
  if (const std::string dir = SteamGameDir(); dir != kNotFound) return dir;
  return FolderNamed(MachineText(L"SOFTWARE\\GOG.com\\Games\\1435828767", L"path"));
}

GameWorld WorldOfGameDir(const std::string&, const InstallSearch&) {
  GameWorld world;
  world.Native = true;
  return world;
}
