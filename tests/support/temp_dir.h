#pragma once

#include <filesystem>
#include <string>

#include "core/byte_string.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Writes a file below the folder (creating folders on the way) and returns its path.
  std::filesystem::path Write(const std::string& relative, const ByteString& bytes) const;
  ByteString Read(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a file of the real test data (all_types.esp, all_types.nif).
ByteString RealTestFile(const std::string& name);
std::filesystem::path RealTestPath(const std::string& name);
