#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

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

bool RenameWithoutReplacing(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  // File systems without the flag: a check that can race, the best left to do there.
  if (errno != EINVAL && errno != ENOSYS) return false;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return false;
  fs::rename(from, to, ec);
  return !ec;
}
