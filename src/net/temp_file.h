#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/byte_string.h"
#include "platform/file_handle.h"
#include "platform/path_text.h"

class NameGenerator;

// A temporary file named RandomName("temporary") + ".tmp", kept open while in use and
// removed when dropped unless it was committed (renamed into place).
class TempFile {
 public:
  TempFile() = default;
  ~TempFile() { Remove(); }
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates a new, empty file in folder under a name no file there has yet.
  bool Create(const std::filesystem::path& folder, NameGenerator& names);
  bool WriteAt(uint64_t offset, const char* data, size_t size);
  bool Append(const char* data, size_t size);
  // Up to count bytes from offset (fewer at the end); nullopt on a read failure.
  std::optional<ByteString> ReadAt(uint64_t offset, size_t count) const;
  uint64_t Size() const;
  // Closes the file and renames it to target, a name nothing holds yet: whatever is there
  // stays. On a failure the file is removed.
  bool Commit(const std::filesystem::path& target);
  // Closes and deletes the file.
  void Remove();
  // Closes the file but keeps it (and the duty to remove it); false when the system reports
  // that written bytes may be lost.
  bool Close();

  bool IsOpen() const { return file_.IsOpen(); }
  const std::filesystem::path& Path() const { return path_; }
  std::string FileName() const { return Utf8FromPath(path_.filename()); }

 private:
  FileHandle file_;
  uint64_t end_ = 0;
  std::filesystem::path path_;
};
