#include "platform/file_handle.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Others may read, write, rename and delete the file while it is open, as on Linux; the
// handle is not inherited by started programs.
intptr_t Open(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  const HANDLE handle =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<intptr_t>(handle);
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// One call moves at most this much.
constexpr size_t kMaxChunk = 1u << 30;

}  // namespace

FileHandle FileHandle::OpenForReading(const std::filesystem::path& path) {
  return FileHandle(Open(path, GENERIC_READ, OPEN_EXISTING));
}

FileHandle FileHandle::OpenForWriting(const std::filesystem::path& path) {
  return FileHandle(Open(path, GENERIC_WRITE, OPEN_ALWAYS));
}

FileHandle FileHandle::CreateNew(const std::filesystem::path& path, bool& nameTaken) {
  const intptr_t handle = Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
  const DWORD error = GetLastError();
  nameTaken = handle == -1 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
  return FileHandle(handle);
}

int64_t FileHandle::ReadAt(uint64_t offset, char* data, size_t count) const {
  if (!IsOpen()) return -1;
  size_t done = 0;
  while (done < count) {
    OVERLAPPED at = At(offset + done);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!ReadFile(Handle(handle_), data + done, want, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<int64_t>(done);
}

bool FileHandle::WriteAt(uint64_t offset, const char* data, size_t size) {
  if (!IsOpen()) return false;
  size_t done = 0;
  while (done < size) {
    OVERLAPPED at = At(offset + done);
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min(size - done, kMaxChunk));
    if (!WriteFile(Handle(handle_), data + done, want, &put, &at) || put == 0) return false;
    done += put;
  }
  return true;
}

std::optional<uint64_t> FileHandle::Size() const {
  LARGE_INTEGER size{};
  if (!IsOpen() || !GetFileSizeEx(Handle(handle_), &size)) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

bool FileHandle::IsRegularFile() const {
  BY_HANDLE_FILE_INFORMATION info{};
  return IsOpen() && GetFileType(Handle(handle_)) == FILE_TYPE_DISK &&
         GetFileInformationByHandle(Handle(handle_), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FileHandle::Close() {
  if (!IsOpen()) return true;
  return CloseHandle(Handle(std::exchange(handle_, -1))) != 0;
}
