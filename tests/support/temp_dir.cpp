#include "support/temp_dir.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

#include "platform/files.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "quib-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::Write(const std::string& relative, const ByteString& bytes) const {
  const fs::path path = path_ / relative;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

ByteString TempDir::Read(const std::string& relative) const {
  return ReadWholeFile(path_ / relative).value_or(ByteString());
}

fs::path RealTestPath(const std::string& name) { return fs::path(QUIB_TESTDATA_DIR) / name; }

ByteString RealTestFile(const std::string& name) {
  auto bytes = ReadWholeFile(RealTestPath(name));
  if (!bytes) throw std::runtime_error("missing test data " + name);
  return *bytes;
}
