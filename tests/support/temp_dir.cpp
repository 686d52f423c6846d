#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/files.h"
#include "platform/path_text.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = fs::temp_directory_path() / ("quib-test-" + std::to_string(random()));
    if (fs::create_directory(path_)) return;
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::Write(const std::string& relative, const ByteString& bytes) const {
  const fs::path path = path_ / PathFromUtf8(relative);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

ByteString TempDir::Read(const std::string& relative) const {
  return ReadWholeFile(path_ / PathFromUtf8(relative)).value_or(ByteString());
}

fs::path RealTestPath(const std::string& name) { return PathFromUtf8(QUIB_TESTDATA_DIR) / name; }

ByteString RealTestFile(const std::string& name) {
  auto bytes = ReadWholeFile(RealTestPath(name));
  if (!bytes) throw std::runtime_error("missing test data " + name);
  return *bytes;
}
