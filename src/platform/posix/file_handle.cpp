#include "platform/file_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

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
  if (fd_ < 0) return -1;
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, data + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool FileHandle::WriteAt(uint64_t offset, const char* data, size_t size) {
  if (fd_ < 0) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<uint64_t> FileHandle::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool FileHandle::IsRegularFile() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
}

bool FileHandle::Close() {
  if (fd_ < 0) return true;
  return ::close(std::exchange(fd_, -1)) == 0;
}
