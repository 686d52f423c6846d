#include "net/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "core/name_generator.h"

namespace fs = std::filesystem;

TempFile::TempFile(TempFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), end_(other.end_), path_(std::move(other.path_)) {
  other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    Remove();
    fd_ = std::exchange(other.fd_, -1);
    end_ = other.end_;
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

bool TempFile::Create(const fs::path& folder, NameGenerator& names) {
  Remove();
  // The generator is unseeded, so a name left by an earlier run may come up again.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const fs::path path = folder / (names.RandomName("temporary") + ".tmp");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      fd_ = fd;
      end_ = 0;
      path_ = path;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool TempFile::WriteAt(uint64_t offset, const char* data, size_t size) {
  if (fd_ < 0) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  if (offset + size > end_) end_ = offset + size;
  return true;
}

bool TempFile::Append(const char* data, size_t size) { return WriteAt(end_, data, size); }

std::optional<ByteString> TempFile::ReadAt(uint64_t offset, size_t count) const {
  if (fd_ < 0) return std::nullopt;
  ByteString data(count, '\0');
  size_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::pread(fd_, data.data() + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  data.resize(done);
  return data;
}

uint64_t TempFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

void TempFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool TempFile::Commit(const fs::path& target) {
  if (path_.empty()) return false;
  const bool closed = fd_ < 0 || ::close(fd_) == 0;
  fd_ = -1;
  std::error_code ec;
  if (closed) fs::rename(path_, target, ec);
  if (!closed || ec) {
    Remove();
    return false;
  }
  path_.clear();
  return true;
}

void TempFile::Remove() {
  Close();
  if (!path_.empty()) {
    std::error_code ec;
    fs::remove(path_, ec);
    path_.clear();
  }
}
