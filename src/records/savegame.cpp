#include "records/savegame.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/names.h"
#include "platform/code_page.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"
#include "records/record_file.h"

namespace fs = std::filesystem;

namespace {

uint64_t U32At(std::string_view s, size_t offset) {
  uint64_t v = 0;
  for (size_t i = 0; i < 4; ++i) {
    v |= static_cast<uint64_t>(static_cast<unsigned char>(s[offset + i])) << (8 * i);
  }
  return v;
}

// The savegame, read in pieces: it can be large and only a few of its bytes are kept.
class SaveFile {
 public:
  explicit SaveFile(const fs::path& path) : file_(FileHandle::OpenForReading(path)) {
    const std::optional<uint64_t> size = file_.Size();
    if (file_.IsRegularFile() && size) {
      size_ = *size;
    } else {
      file_.Close();
    }
  }

  bool Open() const { return file_.IsOpen(); }
  uint64_t Size() const { return size_; }

  // `count` bytes from `offset`, or nothing when the file ends before or cannot be read.
  std::optional<ByteString> Read(uint64_t offset, uint64_t count) const {
    if (offset > size_ || count > size_ - offset) return std::nullopt;
    ByteString bytes(static_cast<size_t>(count), '\0');
    if (file_.ReadAt(offset, bytes.data(), bytes.size()) != static_cast<int64_t>(count)) {
      return std::nullopt;
    }
    return bytes;
  }

  // The offset of the first "NPC_" followed 24 bytes on by "player" (a plain text search
  // over the whole file, in pieces that overlap by the 29 bytes a match spans beyond its
  // first byte); nothing when there is none or the file cannot be read.
  std::optional<uint64_t> FindPlayerRecord() const {
    static constexpr size_t kPiece = 1 << 20;
    static constexpr size_t kSpan = 30;
    std::vector<char> buffer(kPiece + kSpan);
    uint64_t base = 0;  // file offset of buffer[0]
    size_t filled = 0;
    while (base + filled < size_) {
      const int64_t got =
          file_.ReadAt(base + filled, buffer.data() + filled, buffer.size() - filled);
      if (got <= 0) return std::nullopt;
      filled += static_cast<size_t>(got);
      const std::string_view window(buffer.data(), filled);
      for (size_t hit = window.find("NPC_"); hit != std::string_view::npos && hit + kSpan <= filled;
           hit = window.find("NPC_", hit + 1)) {
        if (window.compare(hit + 24, 6, "player") == 0) return base + hit;
      }
      // Keep the bytes in which a match could still begin.
      const size_t keep = std::min(filled, kSpan - 1);
      std::memmove(buffer.data(), buffer.data() + filled - keep, keep);
      base += filled - keep;
      filled = keep;
    }
    return std::nullopt;
  }

 private:
  FileHandle file_;
  uint64_t size_ = 0;
};

bool IsGameMaster(const std::string& name) {
  const std::string lower = ToLower(name);
  return lower == "morrowind.esm" || lower == "tribunal.esm" || lower == "bloodmoon.esm";
}

// A master must name a file of Data Files itself; anything else cannot be one of its
// plug-ins and is treated as missing.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("\\/:\0", 4)) == std::string::npos;
}

std::string Damaged(const std::string& file, const std::string& problem) {
  return "The savegame " + file + " is damaged: " + problem;
}

// The value of the first `tag` in the player record: its text, offset and new random id
// (same length, ending in a NUL). Nothing when the record has no such sub-record.
void TakeBodyPart(const ByteString& player, const char* tag, NameGenerator& names, std::string& id,
                  std::string& newId, int32_t& refPos) {
  const size_t at = FindSubrecord(player, tag, 0);
  id.clear();
  newId.clear();
  refPos = 0;
  if (at == ByteString::npos) return;
  id = SubrecordValue(player, at);
  refPos = static_cast<int32_t>(std::min(at + 8, player.size()));
  if (!id.empty()) newId = names.RandomName(std::string_view(id).substr(0, id.size() - 1)) + '\0';
}

}  // namespace

fs::path SavegameFile(const AppPaths& paths) {
  const std::string& save = paths.SaveGamePath;
  if (!paths.GameDir.empty() && save.compare(0, paths.GameDir.size(), paths.GameDir) == 0) {
    return GamePath(paths.GameDir, std::string_view(save).substr(paths.GameDir.size()));
  }
  return PathFromUtf8(save);
}

StepError ReadSavegame(const AppPaths& paths, NameGenerator& names, CharacterPackage& package) {
  const std::string name = paths.SaveGamePath.substr(paths.SaveGamePath.find_last_of("\\/") + 1);
  const std::string shownName = GameNameToUtf8(name).value_or(name);
  const SaveFile save(SavegameFile(paths));
  if (!save.Open()) return "The savegame " + shownName + " cannot be read.";

  const std::optional<ByteString> start = save.Read(0, 24);
  if (!start || start->compare(0, 4, "TES3") != 0) {
    return Damaged(shownName, "it does not begin with a TES3 header.");
  }
  if (U32At(*start, 4) > save.Size() - kRecordHeaderSize || U32At(*start, 20) > save.Size() - 24) {
    return Damaged(shownName, "its header runs past the end.");
  }

  // Masters: MAST/DATA pairs after HEDR. Only existing plug-ins are searched.
  std::vector<std::string> plugins;
  std::vector<std::time_t> dates;
  uint64_t p = 24 + U32At(*start, 20);
  for (std::optional<ByteString> tag = save.Read(p, 8); tag && tag->compare(0, 4, "MAST") == 0;
       tag = save.Read(p, 8)) {
    const uint64_t mastSize = U32At(*tag, 4);
    // The name, its NUL, and the DATA sub-record's tag and size, its tag not checked.
    const std::optional<ByteString> name =
        mastSize == 0 ? std::nullopt : save.Read(p + 8, mastSize - 1);
    const std::optional<ByteString> data = save.Read(p + 8 + mastSize, 8);
    if (!name || !data) return Damaged(shownName, "its list of plug-ins runs past the end.");
    const uint64_t next = p + 8 + mastSize + 8 + U32At(*data, 4);
    if (next > save.Size()) return Damaged(shownName, "its list of plug-ins runs past the end.");
    if (!IsGameMaster(*name) && PlainFileName(*name)) {
      const fs::path plugin = GamePath(paths.GameDir, "\\Data Files\\" + *name);
      if (NormalFileExists(plugin)) {
        plugins.push_back(*name);
        dates.push_back(FileModifiedTime(plugin));
      }
    }
    p = next;
  }
  // A list that ends within 8 bytes of the end of the file.
  if (p + 4 <= save.Size() && p + 8 > save.Size()) {
    const std::optional<ByteString> tag = save.Read(p, 4);
    if (tag && *tag == "MAST") return Damaged(shownName, "its list of plug-ins runs past the end.");
  }

  const std::optional<uint64_t> hit = save.FindPlayerRecord();
  if (!hit) return "The savegame " + shownName + " holds no player record.";
  const std::optional<ByteString> header = save.Read(*hit, kRecordHeaderSize);
  const uint64_t recordSize = header ? kRecordHeaderSize + U32At(*header, 4) : 0;
  if (recordSize < 30) return Damaged(shownName, "its player record is too short.");
  std::optional<ByteString> record = save.Read(*hit, recordSize);
  if (!record) return Damaged(shownName, "its player record runs past the end.");

  if (plugins.size() >= 2) {
    SortByFileDate(dates, plugins, 0, static_cast<int>(plugins.size()) - 1);
  }
  package.SourceFiles = plugins;
  if (package.SourceFiles.empty()) package.SourceFiles.emplace_back();
  package.SourceFiles.emplace_back("Savegame");

  package.PlayerRecord = std::move(*record);
  package.PlayerRecord.replace(24, 6, "play00");
  TakeBodyPart(package.PlayerRecord, "BNAM", names, package.HeadId, package.NewHeadId,
               package.HeadRefPos);
  TakeBodyPart(package.PlayerRecord, "KNAM", names, package.HairId, package.NewHairId,
               package.HairRefPos);
  package.SaveGameLength = static_cast<int64_t>(save.Size());
  return std::nullopt;
}
