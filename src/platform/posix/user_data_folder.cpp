#include <cstdlib>

#include "platform/own_folders.h"
#include "platform/path_text.h"

std::filesystem::path UserDataFolder() {
  // XDG's base directory rules ignore a relative $XDG_DATA_HOME.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return PathFromUtf8(data) / "quib";
  const char* home = std::getenv("HOME");
  if (home && *home) return PathFromUtf8(home) / ".local" / "share" / "quib";
  return {};
}
