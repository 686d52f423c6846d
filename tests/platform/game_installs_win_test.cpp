#include <windows.h>

#include <gtest/gtest.h>

#include "platform/game_installs.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A string value written into the registry of the test's Wine prefix, removed with its key.
struct RegistryValue {
  RegistryValue(HKEY root, const wchar_t* key, REGSAM view, const wchar_t* name,
                const std::string& utf8)
      : Root(root), Key(key), View(view) {
    const std::wstring value = PathFromUtf8(utf8).native();
    HKEY opened = nullptr;
    RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &opened, nullptr);
    RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
  }
  ~RegistryValue() { RegDeleteKeyExW(Root, Key, View, 0); }
  HKEY Root;
  const wchar_t* Key;
  REGSAM View;
};

const wchar_t* kBethesda = L"SOFTWARE\\Bethesda Softworks\\Morrowind";
const wchar_t* kGog = L"SOFTWARE\\GOG.com\\Games\\1435828767";

// The game's installer, Steam and GOG's installer, in that order; the 32-bit view of the
// machine's keys before the 64-bit one.
TEST(GameInstalls, FindsTheGameInTheRegistrySteamOrGog) {
  TempDir dir;
  const std::string game = Utf8FromPath(dir.Path()) + "\\Gam\u00e9 \u0141\u00f3d\u017a \u0416";
  std::string escaped = Utf8FromPath(dir.Path() / "lib2");  // as Steam writes it: C:\\x
  for (size_t at = 0; (at = escaped.find('\\', at)) != std::string::npos; at += 2) {
    escaped.insert(at, 1, '\\');
  }
  dir.Write("Steam/steamapps/libraryfolders.vdf",
            "\"libraryfolders\" { \"1\" { \"path\" \"" + escaped + "\" } }");
  dir.Write("lib2/steamapps/appmanifest_22320.acf", "\"AppState\" { \"installdir\" \"MW\" }");
  dir.Write("lib2/steamapps/common/mw/Morrowind.exe", "MZ");
  fs::create_directories(PathFromUtf8(game));
  EXPECT_EQ(FindGameDir({}), "Not Found");
  {
    RegistryValue gog(HKEY_LOCAL_MACHINE, kGog, KEY_WOW64_64KEY, L"path", game);
    EXPECT_EQ(FindGameDir({}), game);
    RegistryValue steam(HKEY_CURRENT_USER, L"Software\\Valve\\Steam", 0, L"SteamPath",
                        Utf8FromPath(dir.Path()) + "/Steam");
    EXPECT_TRUE(
        fs::equivalent(PathFromUtf8(FindGameDir({})), dir.Path() / "lib2/steamapps/common/mw"));
    RegistryValue bethesda64(HKEY_LOCAL_MACHINE, kBethesda, KEY_WOW64_64KEY, L"Installed Path",
                             "C:\\64");
    EXPECT_EQ(FindGameDir({}), "C:\\64");
    RegistryValue bethesda32(HKEY_LOCAL_MACHINE, kBethesda, KEY_WOW64_32KEY, L"Installed Path",
                             game);
    EXPECT_EQ(FindGameDir({}), game);
    EXPECT_TRUE(WorldOfGameDir(game, {}).Native);
  }
  // A GOG entry naming a folder that is gone names no game.
  RegistryValue gog(HKEY_LOCAL_MACHINE, kGog, KEY_WOW64_32KEY, L"path", game + "\\gone");
  EXPECT_EQ(FindGameDir({}), "Not Found");
}

}  // namespace
