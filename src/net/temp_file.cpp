#include "net/temp_file.h"

#include <system_error>
#include <utility>

#include "core/name_generator.h"
#include "platform/files.h"

namespace fs = std::filesystem;

TempFile::TempFile(TempFile&& other) noexcept
    : file_(std::move(other.file_)), end_(other.end_), path_(std::move(other.path_)) {
  other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    Remove();
    file_ = std::move(other.file_);
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
    const fs::path path = folder / PathFromUtf8(names.RandomName("temporary") + ".tmp");
    bool nameTaken = false;
    file_ = FileHandle::CreateNew(path, nameTaken);
    if (file_.IsOpen()) {
      end_ = 0;
      path_ = path;
      return true;
    }
    if (!nameTaken) return false;
  }
  return false;
}

bool TempFile::WriteAt(uint64_t offset, const char* data, size_t size) {
  if (!file_.WriteAt(offset, data, size)) return false;
  if (offset + size > end_) end_ = offset + size;
  return true;
}

bool TempFile::Append(const char* data, size_t size) { return WriteAt(end_, data, size); }

std::optional<ByteString> TempFile::ReadAt(uint64_t offset, size_t count) const {
  if (!file_.IsOpen()) return std::nullopt;
  ByteString data(count, '\0');
  const int64_t got = file_.ReadAt(offset, data.data(), count);
  if (got < 0) return std::nullopt;
  data.resize(static_cast<size_t>(got));
  return data;
}

uint64_t TempFile::Size() const { return file_.Size().value_or(0); }

bool TempFile::Close() { return file_.Close(); }

bool TempFile::Commit(const fs::path& target) {
  if (path_.empty()) return false;
  if (!file_.Close() || !RenameWithoutReplacing(path_, target)) {
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
