#include "media/arena_plugin.h"

#include "core/ui.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "platform/files.h"
#include "platform/game_path.h"

size_t FindPlaceholder(const ByteString& bytes) {
  for (size_t p = bytes.find("NPC_"); p != ByteString::npos; p = bytes.find("NPC_", p + 1)) {
    if (p + 30 <= bytes.size() && bytes.compare(p + 24, 6, "play00") == 0) return p;
  }
  return ByteString::npos;
}

std::optional<ArenaTemplate> LoadArenaTemplate(const std::filesystem::path& path,
                                               std::string& error) {
  std::optional<ByteString> bytes;
  if (NormalFileExists(path)) bytes = ReadWholeFile(path);
  if (!bytes) {
    error = "The arena template arena.dat is missing or cannot be read.";
    return std::nullopt;
  }
  ArenaTemplate arena;
  arena.PlaceholderPos = FindPlaceholder(*bytes);
  if (arena.PlaceholderPos == ByteString::npos) {
    error = "The arena template arena.dat holds no opponent placeholder.";
    return std::nullopt;
  }
  arena.PlaceholderSize = static_cast<uint32_t>(BytesToLongAt(*bytes, arena.PlaceholderPos + 4));
  if (arena.PlaceholderSize < kPlaceholderTail ||
      arena.PlaceholderSize + 16 > bytes->size() - arena.PlaceholderPos) {
    error = "The arena template arena.dat is damaged: its opponent placeholder is cut off.";
    return std::nullopt;
  }
  arena.Bytes = std::move(*bytes);
  return arena;
}

void BuildArenaPlugin(const ArenaTemplate& arena, CharacterPackage& package, MediaList& media,
                      Ui& ui) {
  package.PlayerRecord =
      AddToLong(4, package.PlayerRecord, static_cast<int32_t>(kPlaceholderTail), ui);
  const size_t tailStart = arena.PlaceholderPos + 16 + arena.PlaceholderSize - kPlaceholderTail;
  ByteString image;
  image.reserve(arena.Bytes.size() + package.CharacterRecords.size() + package.PlayerRecord.size());
  image.append(arena.Bytes, 0, arena.PlaceholderPos);
  image += package.CharacterRecords;
  image += package.PlayerRecord;
  image.append(arena.Bytes, tailStart);
  media.ArenaPlugin = std::move(image);
  media.MediaNames = {"arena.esp"};
  media.MediaSizes = {static_cast<int32_t>(media.ArenaPlugin.size())};
}

ByteString AddToLong(int32_t offset, const ByteString& s, int32_t delta, Ui& ui) {
  if (offset < 0 || static_cast<int64_t>(s.size()) - offset < 4) {
    ui.ShowMessage("bad input string!", "", MessageIcon::None);
    return {};
  }
  const auto at = static_cast<size_t>(offset);
  // Two's-complement wrap-around instead of signed overflow.
  const auto value = static_cast<uint32_t>(BytesToLongAt(s, at)) + static_cast<uint32_t>(delta);
  return s.substr(0, at) + LongToBytes(static_cast<int32_t>(value)) + s.substr(at + 4);
}
