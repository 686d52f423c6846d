#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The program keeps paths as UTF-8 text. A std::filesystem::path built from a std::string
// reads its bytes as the system's narrow encoding, which on Windows is the ANSI code page,
// not UTF-8; so every crossing between the two goes through these (UTF-16 on Windows).

// The path that UTF-8 text names; on Windows empty for text that is not UTF-8.
std::filesystem::path PathFromUtf8(std::string_view text);

// The path as UTF-8 text.
std::string Utf8FromPath(const std::filesystem::path& path);
