#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The system's folder picker over `owner` (which it disables while open), titled `title`:
// the chosen folder as UTF-8 text, or nothing when the player cancels it.
std::optional<std::string> PickFolder(HWND owner, const std::string& title);
