#ifndef _WIN32
#include <cstdlib>

#include "platform/own_folders.h"

std::filesystem::path UserDataFolder() {
  // The base directory specification ignores a relative $XDG_DATA_HOME.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::filesystem::path(data) / "quib";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::filesystem::path(home) / ".local" / "share" / "quib";
  return {};
}
#endif
