#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_string.h"

// The last export's media list and arena plug-in. They outlive the export command, because
// the peer's file requests arrive after it has returned; the next export replaces them.
struct MediaList {
  // Paths relative to the game's "Data Files" folder, with backslashes; entry 0 is "arena.esp".
  std::vector<std::string> MediaNames;
  // The length in bytes of each entry's file; entry 0 is the length of ArenaPlugin.
  std::vector<int32_t> MediaSizes;
  // The arena plug-in image that travels as "arena.esp".
  ByteString ArenaPlugin;
};
