#pragma once

#include <string>
#include <string_view>

#include "platform/win/wide_text.h"

// UTF-8 text as a window shows it; bytes that are no UTF-8 show as the characters of their
// numbers rather than not at all.
inline std::wstring ShownText(std::string_view utf8) {
  if (std::optional<std::wstring> wide = WideFromUtf8(utf8)) return *wide;
  std::wstring shown;
  for (const char byte : utf8) shown += static_cast<wchar_t>(static_cast<unsigned char>(byte));
  return shown;
}
