#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

int Fd(intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

FileHandle FileHandle::OpenForReading(const std::filesystem::path& path) {
  return FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

FileHandle FileHandle::OpenForWriting(const std::filesystem::path& path) {
  return FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
}

FileHandle FileHandle::CreateNew(const std::filesystem::path& path, bool& nameTaken) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  nameTaken = fd < 0 && errno == EEXIST;
  return FileHandle(fd);
}

int64_t FileHandle::ReadAt(uint64_t offset, char* data, size_t count) const {
  if (!IsOpen()) return -1;
  size_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::pread(Fd(handle_), data + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool FileHandle::WriteAt(uint64_t offset, const char* data, size_t size) {
  if (!IsOpen()) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t n =
        ::pwrite(Fd(handle_), data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<uint64_t> FileHandle::Size() const {
  struct stat st {};
  if (!IsOpen() || ::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool FileHandle::IsRegularFile() const {
  struct stat st {};
  return IsOpen() && ::fstat(Fd(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileHandle::Close() {
  if (!IsOpen()) return true;
  return ::close(Fd(std::exchange(handle_, -1))) == 0;
}
