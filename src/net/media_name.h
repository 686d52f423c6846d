#pragma once

#include <string_view>

// The name the arena plug-in travels under: entry 0 of every media list.
inline constexpr std::string_view kArenaName = "arena.esp";

// Whether a media name from the peer may be written below Data Files, on this system or on
// Windows: a relative path below Meshes, Textures or Icons (first component in any letter
// case) whose components are not empty, "." or "..", no device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without an extension) and do not end in a dot or a space; no
// control character and none of <>:"|?* (so no drive letter), no leading separator. Both '\'
// and '/' count as separators, as they do when the name becomes a path. "arena.esp" travels
// only as entry 0 and is checked there.
bool IsSafeMediaName(std::string_view name);
