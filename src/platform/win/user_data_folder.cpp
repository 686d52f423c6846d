#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include "platform/own_folders.h"

std::filesystem::path UserDataFolder() {
  PWSTR local = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &local))) {
    folder = local;
    folder /= L"Quib";
  }
  CoTaskMemFree(local);  // also when the call failed
  return folder;
}
