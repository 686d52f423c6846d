#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

// An open file, read and written at given offsets (no shared position, so a read never
// disturbs another). Closes itself; the handle is not passed on to started programs.
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle() { Close(); }
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // An existing file, for reading. Not open when it cannot be opened.
  static FileHandle OpenForReading(const std::filesystem::path& path);
  // A file for writing, created when missing; what it holds stays until overwritten.
  static FileHandle OpenForWriting(const std::filesystem::path& path);
  // A file that does not exist yet, created for reading and writing. Not open when it
  // cannot be created; `nameTaken` then tells whether a file of that name already exists.
  static FileHandle CreateNew(const std::filesystem::path& path, bool& nameTaken);

  bool IsOpen() const { return handle_ != -1; }

  // Reads up to `count` bytes from `offset` into `data`: the number read, fewer only at the
  // end of the file; -1 on a read failure.
  int64_t ReadAt(uint64_t offset, char* data, size_t count) const;
  // Writes all `size` bytes at `offset`; false on a failure.
  bool WriteAt(uint64_t offset, const char* data, size_t size);
  // The file's length now; nothing when it cannot be told.
  std::optional<uint64_t> Size() const;
  // A regular file, not a folder or a device.
  bool IsRegularFile() const;
  // False when the system reports a failure on closing (written bytes may be lost).
  bool Close();

 private:
  explicit FileHandle(intptr_t handle) : handle_(handle) {}
  // A descriptor (POSIX) or a HANDLE (Windows); -1 when closed, as INVALID_HANDLE_VALUE.
  intptr_t handle_ = -1;
};
