#include <sys/stat.h>

#include <system_error>

#include "platform/files.h"

namespace fs = std::filesystem;

std::time_t FileModifiedTime(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mtime;
}

bool MoveIntoPlace(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return !ec;
}

bool IsHidden(const fs::path& path) { return path.filename().native().starts_with('.'); }
