#include "records/savegame.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "core/app_paths.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "records/record_file.h"

namespace fs = std::filesystem;

namespace {

uint64_t U32At(const ByteString& s, size_t offset) {
  uint64_t v = 0;
  for (size_t i = 0; i < 4; ++i) {
    v |= static_cast<uint64_t>(static_cast<unsigned char>(s[offset + i])) << (8 * i);
  }
  return v;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsGameMaster(const std::string& name) {
  const std::string lower = Lower(name);
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

// The first record of type NPC_ whose id begins "player", found by a plain text search.
size_t FindPlayerRecord(const ByteString& save) {
  for (size_t hit = save.find("NPC_"); hit != ByteString::npos; hit = save.find("NPC_", hit + 1)) {
    if (hit + 30 <= save.size() && save.compare(hit + 24, 6, "player") == 0) return hit;
  }
  return ByteString::npos;
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
  return fs::path(save);
}

StepError ReadSavegame(const AppPaths& paths, NameGenerator& names, CharacterPackage& package) {
  const std::string shownName =
      paths.SaveGamePath.substr(paths.SaveGamePath.find_last_of("\\/") + 1);
  const fs::path file = SavegameFile(paths);
  std::optional<ByteString> bytes;
  if (NormalFileExists(file)) bytes = ReadWholeFile(file);
  if (!bytes) return "The savegame " + shownName + " cannot be read.";
  const ByteString& save = *bytes;

  if (save.size() < 24 || save.compare(0, 4, "TES3") != 0) {
    return Damaged(shownName, "it does not begin with a TES3 header.");
  }
  if (U32At(save, 4) > save.size() - kRecordHeaderSize || U32At(save, 20) > save.size() - 24) {
    return Damaged(shownName, "its header runs past the end.");
  }

  // Masters: MAST/DATA pairs after HEDR. Only existing plug-ins are searched.
  std::vector<std::string> plugins;
  std::vector<std::time_t> dates;
  uint64_t p = 24 + U32At(save, 20);
  while (p + 4 <= save.size() && save.compare(p, 4, "MAST") == 0) {
    if (p + 8 > save.size()) return Damaged(shownName, "its list of plug-ins runs past the end.");
    const uint64_t mastSize = U32At(save, p + 4);
    const uint64_t q = p + 8 + mastSize;  // the DATA sub-record, its tag not checked
    if (mastSize == 0 || q + 8 > save.size()) {
      return Damaged(shownName, "its list of plug-ins runs past the end.");
    }
    const std::string name = save.substr(p + 8, mastSize - 1);
    const uint64_t next = q + 8 + U32At(save, q + 4);
    if (next > save.size()) return Damaged(shownName, "its list of plug-ins runs past the end.");
    if (!IsGameMaster(name) && PlainFileName(name)) {
      const fs::path plugin = GamePath(paths.GameDir, "\\Data Files\\" + name);
      if (NormalFileExists(plugin)) {
        plugins.push_back(name);
        dates.push_back(FileModifiedTime(plugin));
      }
    }
    p = next;
  }

  const size_t hit = FindPlayerRecord(save);
  if (hit == ByteString::npos) return "The savegame " + shownName + " holds no player record.";
  const uint64_t recordSize = kRecordHeaderSize + U32At(save, hit + 4);
  if (recordSize > save.size() - hit) {
    return Damaged(shownName, "its player record runs past the end.");
  }
  if (recordSize < 30) return Damaged(shownName, "its player record is too short.");

  if (plugins.size() >= 2) {
    SortByFileDate(dates, plugins, 0, static_cast<int>(plugins.size()) - 1);
  }
  package.SourceFiles = plugins;
  if (package.SourceFiles.empty()) package.SourceFiles.emplace_back();
  package.SourceFiles.emplace_back("Savegame");

  package.PlayerRecord = save.substr(hit, recordSize);
  package.PlayerRecord.replace(24, 6, "play00");
  TakeBodyPart(package.PlayerRecord, "BNAM", names, package.HeadId, package.NewHeadId,
               package.HeadRefPos);
  TakeBodyPart(package.PlayerRecord, "KNAM", names, package.HairId, package.NewHairId,
               package.HairRefPos);
  package.SaveGameData = std::move(*bytes);
  return std::nullopt;
}
