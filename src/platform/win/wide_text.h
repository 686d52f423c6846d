#pragma once

#include <optional>
#include <string>
#include <string_view>

// UTF-8 and the UTF-16 of Windows' own calls.

// Nothing for text that is not UTF-8.
std::optional<std::wstring> WideFromUtf8(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
