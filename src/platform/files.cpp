#include "platform/files.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/file_handle.h"

namespace fs = std::filesystem;

std::optional<ByteString> ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  in.seekg(0);
  ByteString data(static_cast<size_t>(size), '\0');
  if (size > 0 && !in.read(data.data(), size)) return std::nullopt;
  return data;
}

std::optional<ByteString> ReadFileAt(const fs::path& path, uint64_t offset, uint64_t count) {
  const int64_t size = FileSize(path);
  if (size < 0) return std::nullopt;
  if (offset >= static_cast<uint64_t>(size)) return ByteString();
  const uint64_t available = static_cast<uint64_t>(size) - offset;
  if (count > available) count = available;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(static_cast<std::streamoff>(offset));
  ByteString data(static_cast<size_t>(count), '\0');
  if (count > 0 && !in.read(data.data(), static_cast<std::streamsize>(count))) return std::nullopt;
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
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
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

std::time_t FileModifiedTime(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mtime;
}

bool RemoveFile(const fs::path& path) {
  std::error_code ec;
  return fs::remove(path, ec);
}
