#pragma once

#include <optional>
#include <string>
#include <string_view>

// Names inside the game's records and savegames are bytes in the game's 8-bit code page:
// Windows-1252 for the western editions, Windows-1250 (Central European) or Windows-1251
// (Cyrillic) for others. File names on a Linux disk are UTF-8. These convert between the two;
// a name that has no form on the other side gives nothing.

// The code page named by QUIB_CODE_PAGE ("1250", "1251" or "1252"), as an iconv name;
// Windows-1252 when the variable is unset or names anything else.
std::string GameCodePage();

// A name in the game's code page as UTF-8. ASCII passes unchanged.
std::optional<std::string> GameNameToUtf8(std::string_view name);

// A UTF-8 name (one found on disk) in the game's code page. ASCII passes unchanged.
std::optional<std::string> GameNameFromUtf8(std::string_view name);
