#pragma once

#include <string_view>

// The name the arena plug-in travels under: entry 0 of every media list.
inline constexpr std::string_view kArenaName = "arena.esp";

// Whether a media name from the peer may be written below Data Files: a relative path below
// Meshes, Textures or Icons (first component in any letter case) whose components are neither
// empty, "." nor ".."; no drive letter or other ':', no leading separator, no control
// character. Both '\' and '/' count as separators, as they do when the name becomes a path.
// "arena.esp" travels only as entry 0 and is checked there.
bool IsSafeMediaName(std::string_view name);
