#include "records/body_parts_enchantments.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_map>

#include "core/names.h"
#include "net/bytes.h"
#include "records/record_file.h"

namespace {

// A record's id without its NUL (what RecordId gives), as a view into the record.
std::string_view IdWithoutNul(const ByteString& record) {
  if (record.size() < 24) return {};
  const uint64_t size = static_cast<uint32_t>(BytesToLongAt(record, 20));
  const std::string_view id = std::string_view(record).substr(
      24, static_cast<size_t>(std::min<uint64_t>(size, record.size() - 24)));
  return id.empty() ? id : id.substr(0, id.size() - 1);
}

// Pool positions by id, exact and lower-cased, so that each part reference is matched
// against the pool without comparing it with every record; the positions stay in pool
// order.
class BodyPartIndex {
 public:
  explicit BodyPartIndex(const std::vector<ByteString>& pool) {
    ids_.reserve(pool.size());
    for (size_t i = 0; i < pool.size(); ++i) {
      ids_.push_back(IdWithoutNul(pool[i]));
      exact_[ids_.back()].push_back(i);
      // Only an id ending in ".1st" can be the first-person form of a value.
      const std::string_view id = ids_.back();
      if (id.size() >= 4 && EqualsIgnoringCase(id.substr(id.size() - 4), ".1st")) {
        lowered_[ToLower(id)].push_back(i);
      }
    }
  }

  // The pool positions whose id is `value`, or whose lower-cased id is the lower-cased
  // value + ".1st", in pool order. The two sets never overlap (their lengths differ).
  std::vector<size_t> Matches(const std::string& value) const {
    std::vector<size_t> result;
    if (const auto it = exact_.find(value); it != exact_.end()) result = it->second;
    if (const auto it = lowered_.find(ToLower(value) + ".1st"); it != lowered_.end()) {
      result.insert(result.end(), it->second.begin(), it->second.end());
      std::inplace_merge(result.begin(), result.end() - static_cast<ptrdiff_t>(it->second.size()),
                         result.end());
    }
    return result;
  }

  std::string Id(size_t i) const { return std::string(ids_[i]); }

 private:
  // Views into the pool's records, which outlive the index.
  std::vector<std::string_view> ids_;
  std::unordered_map<std::string_view, std::vector<size_t>> exact_;
  std::unordered_map<std::string, std::vector<size_t>> lowered_;
};

// The next male (BNAM) or female (CNAM) body-part reference at or after `from`.
size_t NextPartReference(const ByteString& record, size_t from) {
  return std::min(FindSubrecord(record, "BNAM", from), FindSubrecord(record, "CNAM", from));
}

// Both references of every piece are followed, in the order the record gives them, so a
// female character's parts travel as well as a male one's.
void PartsOf(const std::vector<ByteString>& records, const std::vector<ByteString>& pool,
             const BodyPartIndex& index, std::vector<std::string>& ids,
             std::vector<ByteString>& partRecords) {
  for (const ByteString& record : records) {
    for (size_t h = NextPartReference(record, 0); h != ByteString::npos;
         h = NextPartReference(record, h + 1)) {
      std::string value = SubrecordValue(record, h);
      while (!value.empty() && value.back() == '\0') value.pop_back();
      if (value.empty()) continue;
      for (const size_t i : index.Matches(value)) {
        ids.push_back(index.Id(i));
        partRecords.push_back(pool[i]);
      }
    }
  }
}

}  // namespace

void ResolveBodyParts(CharacterPackage& p) {
  p.ArmorPartIds.clear();
  p.ArmorPartRecords.clear();
  p.ClothingPartIds.clear();
  p.ClothingPartRecords.clear();
  if (p.ArmorRecords.empty() && p.ClothingRecords.empty()) return;
  const BodyPartIndex index(p.BodyPartPool);
  PartsOf(p.ArmorRecords, p.BodyPartPool, index, p.ArmorPartIds, p.ArmorPartRecords);
  PartsOf(p.ClothingRecords, p.BodyPartPool, index, p.ClothingPartIds, p.ClothingPartRecords);
}

void ResolveEnchantments(NameGenerator& names, CharacterPackage& p) {
  p.EnchantmentIds.clear();
  p.EnchantmentNewIds.clear();
  p.EnchantmentRecords.clear();
  std::unordered_map<std::string_view, size_t> firstById;
  bool indexed = false;
  for (ByteString& item : p.ItemRecords) {
    const size_t h = FindSubrecord(item, "ENAM", 0);
    if (h == ByteString::npos || h + 8 > item.size() || item.compare(0, 4, "ALCH") == 0) {
      continue;
    }
    const int64_t size = BytesToLongAt(item, h + 4);
    if (size <= 1) continue;
    const std::string id = item.substr(h + 8, static_cast<size_t>(size - 1));
    if (!indexed) {
      for (size_t i = 0; i < p.EnchantmentPool.size(); ++i) {
        firstById.emplace(IdWithoutNul(p.EnchantmentPool[i]), i);
      }
      indexed = true;
    }
    const auto found = firstById.find(id);
    if (found == firstById.end()) continue;
    std::string newId = names.RandomName(id);
    p.EnchantmentIds.push_back(id);
    p.EnchantmentRecords.push_back(ReplaceId(p.EnchantmentPool[found->second], newId));
    // The reference is replaced where it was found, which is the record's end when ENAM
    // comes last, as the game's editor writes it.
    item.replace(h + 8, id.size(), newId);
    p.EnchantmentNewIds.push_back(std::move(newId));
  }
}

void AssembleCharacterRecords(CharacterPackage& p) {
  ByteString& out = p.CharacterRecords;
  out.clear();
  out += p.HeadRecord;
  out += p.HairRecord;
  for (const auto& r : p.EnchantmentRecords) out += r;
  for (const auto& r : p.SpellRecords) out += r;
  for (const auto& r : p.ArmorPartRecords) out += r;
  for (const auto& r : p.ClothingPartRecords) out += r;
  for (const auto& r : p.ItemRecords) out += r;
}

void CompleteCharacterRecords(NameGenerator& names, CharacterPackage& package) {
  ResolveBodyParts(package);
  ResolveEnchantments(names, package);
  AssembleCharacterRecords(package);
}
