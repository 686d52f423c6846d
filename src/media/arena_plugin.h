#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/byte_string.h"
#include "records/character_package.h"

struct MediaList;
class Ui;

// The template plug-in (arena.dat) and where its placeholder NPC_ record stands.
struct ArenaTemplate {
  ByteString Bytes;
  size_t PlaceholderPos = 0;     // offset of the placeholder record
  uint64_t PlaceholderSize = 0;  // its data size (the record is 16 bytes longer)
};

// Bytes the placeholder hands on to the character's record: its closing sub-records, the
// opponent's fighting and wandering AI (AIDT and AI_W).
inline constexpr size_t kPlaceholderTail = 42;

// The first "NPC_" followed 24 bytes on by "play00", searched from the start; npos when the
// template has none.
size_t FindPlaceholder(const ByteString& templateBytes);

// Reads and checks the template: it must be readable and hold a placeholder that ends
// inside the file and is long enough to hand on its last 42 bytes. Otherwise the message
// to show.
std::optional<ArenaTemplate> LoadArenaTemplate(const std::filesystem::path& path,
                                               std::string& error);

// ArenaPlugin = the template before the placeholder, CharacterRecords, PlayerRecord with its
// size raised by 42, the placeholder's last 42 bytes, the template after the placeholder.
// The media list starts afresh with the single entry "arena.esp" and the image's length.
// PlayerRecord keeps the raised size.
void BuildArenaPlugin(const ArenaTemplate& arena, CharacterPackage& package, MediaList& media,
                      Ui& ui);

// s with delta added to the little-endian 32-bit integer at `offset`. When s holds fewer
// than four bytes there, shows "bad input string!" and returns an empty string.
ByteString AddToLong(int32_t offset, const ByteString& s, int32_t delta, Ui& ui);
