#include "platform/path_text.h"

#include "platform/win/wide_text.h"

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(WideFromUtf8(text).value_or(std::wstring()));
}

std::string Utf8FromPath(const std::filesystem::path& path) { return Utf8FromWide(path.native()); }
