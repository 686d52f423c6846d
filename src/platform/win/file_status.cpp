#include <windows.h>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

bool Attributes(const fs::path& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

}  // namespace

std::time_t FileModifiedTime(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!Attributes(path, data)) return 0;
  // 100-nanosecond steps since 1601-01-01, 11644473600 seconds before 1970-01-01.
  const uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
  return static_cast<std::time_t>(ticks / 10000000) - 11644473600LL;
}

bool MoveIntoPlace(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RenameWithoutReplacing(const fs::path& from, const fs::path& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when anything holds the name.
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

bool IsHidden(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}
