#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/byte_string.h"
#include "core/names.h"
#include "support/fake_ui.h"

// A folder of its own for one fuzz process, removed at exit.
class FuzzDir {
 public:
  FuzzDir() {
    path_ = std::filesystem::temp_directory_path() / ("quib-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path_);
  }
  ~FuzzDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }

  std::filesystem::path Write(const std::string& relative, const ByteString& bytes) const {
    const auto path = path_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::filesystem::path path_;
};

inline ByteString AsBytes(const uint8_t* data, size_t size) {
  return ByteString(reinterpret_cast<const char*>(data), size);
}
