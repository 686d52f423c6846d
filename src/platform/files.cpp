#include "platform/files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/file_handle.h"

namespace fs = std::filesystem;

std::optional<ByteString> ReadWholeFile(const fs::path& path) {
  return ReadFileAt(path, 0, UINT64_MAX);
}

std::optional<ByteString> ReadFileAt(const fs::path& path, uint64_t offset, uint64_t count) {
  const FileHandle file = FileHandle::OpenForReading(path);
  const std::optional<uint64_t> size = file.IsOpen() ? file.Size() : std::nullopt;
  if (!size) return std::nullopt;
  if (offset >= *size) return ByteString();
  count = std::min(count, *size - offset);
  ByteString data(static_cast<size_t>(count), '\0');
  const int64_t got = file.ReadAt(offset, data.data(), data.size());
  if (got != static_cast<int64_t>(data.size())) return std::nullopt;
  return data;
}

bool WriteFileAt(const fs::path& path, uint64_t offset, const ByteString& bytes) {
  FileHandle file = FileHandle::OpenForWriting(path);
  if (!file.IsOpen()) return false;
  const bool written = file.WriteAt(offset, bytes.data(), bytes.size());
  return file.Close() && written;
}

bool WriteFileAtomically(const fs::path& path, const ByteString& bytes) {
  fs::path temp = path;
  temp += ".quibpart";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      RemoveFile(temp);
      return false;
    }
  }
  if (!MoveIntoPlace(temp, path)) {
    RemoveFile(temp);
    return false;
  }
  return true;
}

int64_t FileSize(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

bool RemoveFile(const fs::path& path) {
  std::error_code ec;
  return fs::remove(path, ec);
}
