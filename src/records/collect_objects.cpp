#include "records/collect_objects.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <unordered_map>

#include "core/app_paths.h"
#include "core/name_generator.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "records/body_parts_enchantments.h"
#include "records/record_file.h"
#include "records/savegame.h"

namespace fs = std::filesystem;

namespace {

// Lockpicks come last: a plug-in's lockpick travels with its record, model and icon like a
// probe instead of as a bare reference the friend's game cannot resolve.
constexpr std::array<std::string_view, 12> kItemTypes = {
    "CLOT", "ALCH", "ARMO", "MISC", "INGR", "WEAP", "APPA", "BOOK", "LIGH", "PROB", "REPA", "LOCK"};

constexpr std::array<uint32_t, kItemTypes.size()> kItemCodes = [] {
  std::array<uint32_t, kItemTypes.size()> codes{};
  for (size_t i = 0; i < kItemTypes.size(); ++i) codes[i] = RecordTypeCode(kItemTypes[i]);
  return codes;
}();
constexpr uint32_t kArmo = RecordTypeCode("ARMO");
constexpr uint32_t kClot = RecordTypeCode("CLOT");
constexpr uint32_t kSpel = RecordTypeCode("SPEL");
constexpr uint32_t kEnch = RecordTypeCode("ENCH");
constexpr uint32_t kBody = RecordTypeCode("BODY");

// The types the collection looks at. Most records of a plug-in are of other types
// (statics, cells, dialogue); the walk passes over them without a call.
constexpr RecordTypeSet kWantedTypes = [] {
  RecordTypeSet types;
  types.Add(kSpel);
  types.Add(kEnch);
  types.Add(kBody);
  for (const uint32_t code : kItemCodes) types.Add(code);
  return types;
}();

bool IsItemType(uint32_t code) {
  return std::find(kItemCodes.begin(), kItemCodes.end(), code) != kItemCodes.end();
}

// The signed size of the sub-record whose tag stands at `at`; 0 when it is cut off.
int64_t SizeAt(const ByteString& record, size_t at) {
  return at + 8 <= record.size() ? BytesToLongAt(record, at + 4) : 0;
}

// `length` bytes from `start`, as many as the record holds.
std::string_view Clip(const ByteString& record, size_t start, int64_t length) {
  if (length <= 0 || start >= record.size()) return {};
  return std::string_view(record).substr(start, static_cast<size_t>(length));
}

// The record's id with its NUL (size at 20, value from 24), clipped to the record.
std::string_view IdWithNul(std::string_view record) {
  if (record.size() < 24) return {};
  const uint64_t size = static_cast<unsigned char>(record[20]) |
                        static_cast<unsigned char>(record[21]) << 8 |
                        static_cast<unsigned char>(record[22]) << 16 |
                        static_cast<uint64_t>(static_cast<unsigned char>(record[23])) << 24;
  return record.substr(24, static_cast<size_t>(std::min<uint64_t>(size, record.size() - 24)));
}

std::string_view WithoutLastByte(std::string_view id) {
  return id.empty() ? id : id.substr(0, id.size() - 1);
}

struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// The entries still waiting for their record, by id. Looking an id up hands over every
// waiting entry in list order, which is exactly the set of not-yet-found entries a
// comparison with each of them in turn would match; the walk stays linear in the files.
// A bit per id, from its length and its first and last four bytes, turns most ids away
// before they are hashed in full.
class WaitingEntries {
 public:
  void Add(const std::string& id, size_t entry) {
    if (id.empty()) return;
    waiting_[id].push_back(entry);
    seen_.set(Fingerprint(id));
  }
  std::vector<size_t> Take(std::string_view id) {
    if (waiting_.empty() || id.empty() || !seen_.test(Fingerprint(id))) return {};
    const auto it = waiting_.find(id);
    if (it == waiting_.end()) return {};
    std::vector<size_t> entries = std::move(it->second);
    waiting_.erase(it);
    return entries;
  }

 private:
  static constexpr size_t kBits = 8192;

  static size_t Fingerprint(std::string_view id) {
    uint32_t head = 0;
    uint32_t tail = 0;
    if (id.size() >= 4) {
      std::memcpy(&head, id.data(), 4);
      std::memcpy(&tail, id.data() + id.size() - 4, 4);
    } else {
      for (const char c : id) head = head << 8 | static_cast<unsigned char>(c);
    }
    const uint64_t mixed = (id.size() * 0x9E3779B97F4A7C15u) ^ (head * 0xC2B2AE3D27D4EB4Fu) ^
                           (tail * 0x165667B19E3779F9u);
    return static_cast<size_t>(mixed >> 51) % kBits;
  }

  std::unordered_map<std::string, std::vector<size_t>, TextHash, std::equal_to<>> waiting_;
  std::bitset<kBits> seen_;
};

void ClearCollection(CharacterPackage& p) {
  p.ItemIds.clear();
  p.ItemFound.clear();
  p.ItemRecords.clear();
  p.ArmorRecords.clear();
  p.ClothingRecords.clear();
  p.SpellIds.clear();
  p.SpellFound.clear();
  p.SpellNewIds.clear();
  p.SpellRecords.clear();
  p.HeadFound = false;
  p.HairFound = false;
  p.HeadRecord.clear();
  p.HairRecord.clear();
  p.BodyPartPool.clear();
  p.EnchantmentPool.clear();
  p.ArmorPartIds.clear();
  p.ArmorPartRecords.clear();
  p.ClothingPartIds.clear();
  p.ClothingPartRecords.clear();
  p.EnchantmentIds.clear();
  p.EnchantmentNewIds.clear();
  p.EnchantmentRecords.clear();
  p.CharacterRecords.clear();
}

// The position of the first NUL + id + NUL in the record. The search is for id + NUL, then
// the byte before it is checked: a player record holds thousands of NULs (its padded
// inventory ids), so starting at a NUL would try a comparison at each of them.
size_t FirstNulEnclosed(const ByteString& record, const std::string& id) {
  const std::string idAndNul = id + '\0';
  for (size_t at = record.find(idAndNul, 1); at != ByteString::npos;
       at = record.find(idAndNul, at + 1)) {
    if (record[at - 1] == '\0') return at - 1;
  }
  return ByteString::npos;
}

// Overwrites `count` bytes of the player record at `pos` with the start of `text`, within
// the record's bounds.
void Splice(ByteString& record, size_t pos, size_t count, std::string_view text) {
  if (pos >= record.size()) return;
  count = std::min({count, text.size(), record.size() - pos});
  record.replace(pos, count, text.substr(0, count));
}

// A head or hair record: the first BODY record whose id (with NUL) is the player's value.
void TakeBodyPartRecord(std::string_view record, std::string_view idWithNul, const std::string& id,
                        const std::string& newId, int32_t refPos, bool& found, ByteString& target,
                        ByteString& playerRecord) {
  if (found || id.empty() || idWithNul != id) return;
  target = ReplaceId(ByteString(record), WithoutLastByte(newId));
  found = true;
  Splice(playerRecord, static_cast<size_t>(refPos), id.size(), newId);
}

class Collector {
 public:
  Collector(NameGenerator& names, CharacterPackage& package) : names_(names), p_(package) {}

  void ReadLists() {
    p_.ItemIds = InventoryIds(p_.PlayerRecord);
    p_.ItemFound.assign(p_.ItemIds.size(), false);
    p_.ItemRecords.assign(p_.ItemIds.size(), ByteString());
    for (size_t k = 0; k < p_.ItemIds.size(); ++k) items_.Add(p_.ItemIds[k], k);

    p_.SpellIds = SpellIdsOf(p_.PlayerRecord);
    for (size_t k = 0; k < p_.SpellIds.size(); ++k) {
      p_.SpellNewIds.push_back(names_.RandomName(p_.SpellIds[k]));
      spells_.Add(p_.SpellIds[k], k);
    }
    p_.SpellFound.assign(p_.SpellIds.size(), false);
    p_.SpellRecords.assign(p_.SpellIds.size(), ByteString());
  }

  // A record that may be of a type looked at (kWantedTypes): only records of those types
  // have their id read, and only the records taken are copied out of the walk's buffer.
  void Visit(uint32_t code, std::string_view record) {
    if (IsItemType(code)) {
      const std::vector<size_t> entries = items_.Take(IdWithNul(record));
      if (entries.empty()) return;
      const ByteString whole(record);
      for (const size_t k : entries) {
        p_.ItemRecords[k] = whole;
        p_.ItemFound[k] = true;
        if (code == kArmo) p_.ArmorRecords.push_back(whole);
        if (code == kClot) p_.ClothingRecords.push_back(whole);
      }
    } else if (code == kSpel) {
      const std::vector<size_t> entries = spells_.Take(WithoutLastByte(IdWithNul(record)));
      if (entries.empty()) return;
      const ByteString whole(record);
      for (const size_t k : entries) TakeSpell(k, whole);
    } else if (code == kEnch) {
      p_.EnchantmentPool.emplace_back(record);
    } else if (code == kBody) {
      const std::string_view id = IdWithNul(record);
      TakeBodyPartRecord(record, id, p_.HeadId, p_.NewHeadId, p_.HeadRefPos, p_.HeadFound,
                         p_.HeadRecord, p_.PlayerRecord);
      TakeBodyPartRecord(record, id, p_.HairId, p_.NewHairId, p_.HairRefPos, p_.HairFound,
                         p_.HairRecord, p_.PlayerRecord);
      p_.BodyPartPool.emplace_back(record);
    }
  }

 private:
  void TakeSpell(size_t k, const ByteString& record) {
    const std::string& id = p_.SpellIds[k];
    p_.SpellRecords[k] = ReplaceId(record, p_.SpellNewIds[k]);
    // Only the first NUL + id + NUL is looked at, and only when its leading NUL ends the
    // size field of an NPCS sub-record.
    const size_t at = FirstNulEnclosed(p_.PlayerRecord, id);
    if (at != ByteString::npos && at >= 7 && p_.PlayerRecord.compare(at - 7, 4, "NPCS") == 0) {
      Splice(p_.PlayerRecord, at + 1, id.size(), p_.SpellNewIds[k]);
    }
    p_.SpellFound[k] = true;
  }

  NameGenerator& names_;
  CharacterPackage& p_;
  WaitingEntries items_;
  WaitingEntries spells_;
};

}  // namespace

std::vector<std::string> InventoryIds(const ByteString& playerRecord) {
  std::vector<std::string> ids;
  for (size_t h = FindSubrecord(playerRecord, "NPCO", 0); h != ByteString::npos;
       h = FindSubrecord(playerRecord, "NPCO", h + 13)) {
    const std::string_view field = Clip(playerRecord, h + 12, SizeAt(playerRecord, h) - 4);
    const size_t nul = field.find('\0');
    ids.emplace_back(nul == std::string_view::npos ? field : field.substr(0, nul + 1));
  }
  return ids;
}

std::vector<std::string> SpellIdsOf(const ByteString& playerRecord) {
  std::vector<std::string> ids;
  for (size_t h = FindSubrecord(playerRecord, "NPCS", 0); h != ByteString::npos;
       h = FindSubrecord(playerRecord, "NPCS", h + 9)) {
    const std::string_view value = Clip(playerRecord, h + 8, SizeAt(playerRecord, h) - 1);
    ids.emplace_back(value.substr(0, value.find('\0')));
  }
  return ids;
}

void CollectObjects(const AppPaths& paths, NameGenerator& names, Ui& ui,
                    CharacterPackage& package) {
  ClearCollection(package);
  Collector collector(names, package);
  collector.ReadLists();

  const size_t lastIndex = package.SourceFiles.empty() ? 0 : package.SourceFiles.size() - 1;
  for (size_t index = 0; index < package.SourceFiles.size(); ++index) {
    const std::string file = package.SourceFiles[index];
    if (file.empty()) continue;
    ui.SetLabel3("Inspecting: " + file);
    ui.SetBar1Width(lastIndex == 0 ? ui.Shape1Width()
                                   : static_cast<double>(index) / static_cast<double>(lastIndex) *
                                         ui.Shape1Width());
    fs::path path;
    int64_t length = 0;
    if (file == "Savegame") {
      path = SavegameFile(paths);
      length = package.SaveGameLength;
    } else {
      path = GamePath(paths.GameDir, "\\Data Files\\" + file);
      length = FileSize(path);
    }
    // A damaged file ends its walk early; what it delivered is kept and the search goes on.
    WalkRecordViews(path, length, ui.Shape2Width(), ui, kWantedTypes,
                    [&collector](std::string_view type, std::string_view record) {
                      collector.Visit(RecordTypeCode(type), record);
                    });
  }
  CompleteCharacterRecords(names, package);
}
