#include "platform/code_page.h"

#include <windows.h>

#include <algorithm>

#include "platform/win/wide_text.h"

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// "WINDOWS-1251" -> 1251.
UINT CodePageNumber() { return static_cast<UINT>(std::stoul(GameCodePage().substr(8))); }

// The bytes a code page leaves undefined. Windows maps them to C1 control characters; the
// Linux build (iconv) refuses them, and so does this one, so both see the same names.
std::string_view UndefinedBytes(UINT page) {
  if (page == 1250) return "\x81\x83\x88\x90\x98";
  if (page == 1251) return "\x98";
  return "\x81\x8D\x8F\x90\x9D";
}

bool HasUndefinedByte(std::string_view text, UINT page) {
  return text.find_first_of(UndefinedBytes(page)) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> GameNameToUtf8(std::string_view name) {
  if (IsAscii(name)) return std::string(name);
  const UINT page = CodePageNumber();
  if (HasUndefinedByte(name, page)) return std::nullopt;
  const int size = static_cast<int>(name.size());
  const int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, name.data(), size, wide.data(), length);
  return Utf8FromWide(wide);
}

std::optional<std::string> GameNameFromUtf8(std::string_view name) {
  if (IsAscii(name)) return std::string(name);
  const std::optional<std::wstring> wide = WideFromUtf8(name);
  if (!wide) return std::nullopt;
  const UINT page = CodePageNumber();
  const int size = static_cast<int>(wide->size());
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide->data(), size, nullptr, 0,
                                         nullptr, &lossy);
  if (length <= 0 || lossy) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide->data(), size, bytes.data(), length, nullptr,
                      &lossy);
  if (lossy || HasUndefinedByte(bytes, page)) return std::nullopt;
  return bytes;
}
