#include "platform/path_text.h"

// Linux paths are bytes, and the program's text is UTF-8: both sides are the same bytes.

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::string(text));
}

std::string Utf8FromPath(const std::filesystem::path& path) { return path.native(); }
