#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_string.h"

class Ui;

// TES3 record files: a record is a 16-byte header (type, data size, header word, flags)
// followed by its data, a sequence of sub-records (tag, size, value).

inline constexpr size_t kRecordHeaderSize = 16;
// Sizes of 2^31 or more are outside what the program handles.
inline constexpr uint64_t kMaxRecordSize = 0x7FFFFFFF;

// How a walk ended. A damaged file ends its walk early with `Problem` telling why and
// `Offset` where; the records before it were delivered.
struct WalkOutcome {
  bool Complete = true;
  std::string Problem;
  uint64_t Offset = 0;
};

// A record type's 4 characters as one little-endian number, so that types are compared as
// integers. Types are always 4 characters.
constexpr uint32_t RecordTypeCode(std::string_view type) {
  return static_cast<uint32_t>(static_cast<unsigned char>(type[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(type[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(type[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(type[3])) << 24;
}

// The record types a walk hands out, as bits of a 1024-bit table indexed by a hash of the
// type code. A record of another type costs the walk one test and no call; types may share
// a bit, so a consumer still checks the type it is given.
class RecordTypeSet {
 public:
  // Every type.
  static constexpr RecordTypeSet All() {
    RecordTypeSet set;
    set.slots_.fill(~uint64_t{0});
    return set;
  }
  constexpr void Add(uint32_t code) { slots_[Slot(code) / 64] |= uint64_t{1} << (Slot(code) % 64); }
  constexpr bool MayHold(uint32_t code) const {
    return (slots_[Slot(code) / 64] >> (Slot(code) % 64) & 1) != 0;
  }

 private:
  static constexpr uint32_t Slot(uint32_t code) { return (code * 0x9E3779B1u) >> 22; }
  std::array<uint64_t, 16> slots_{};
};

// Receives each record: its type and the whole record (header and data, as in the file).
using RecordVisitor = std::function<void(std::string_view type, const ByteString& record)>;
// The same, with the record as a view that is valid only during the call; a consumer that
// keeps few of the records copies only those.
using RecordViewVisitor = std::function<void(std::string_view type, std::string_view record)>;

// Delivers every record after the file's header record, in file order, reading forward one
// record at a time from a handle of its own. At least every 64 KiB of the file, and at the
// end, the within-file progress (bytes read / fileLength * progressFrameWidth) goes to the
// window and the window may process events. Nothing is allocated beyond what the file really
// holds. WalkRecordViews hands out only the records whose type `types` may hold.
WalkOutcome WalkRecords(const std::filesystem::path& path, int64_t fileLength,
                        double progressFrameWidth, Ui& ui, const RecordVisitor& visit);
WalkOutcome WalkRecordViews(const std::filesystem::path& path, int64_t fileLength,
                            double progressFrameWidth, Ui& ui, const RecordTypeSet& types,
                            const RecordViewVisitor& visit);

// First occurrence of the 4-character tag at or after start (a plain text search that does
// not respect sub-record boundaries); ByteString::npos when there is none.
size_t FindSubrecord(const ByteString& record, std::string_view tag, size_t start = 0);

// The record's id: the value of its first sub-record (size at 20, value from 24), with or
// without the trailing NUL. Clipped to the record's bytes.
std::string RecordId(const ByteString& record, bool withNul);

// Overwrites the id's characters (from offset 24) with newId, which has the old id's length
// without its NUL. Nothing else changes.
ByteString ReplaceId(ByteString record, std::string_view newId);

// The value of the sub-record whose tag starts at `tagPos`, clipped to the record.
ByteString SubrecordValue(const ByteString& record, size_t tagPos);

// The calendar day of a local time as a whole day count; the time of day is dropped.
int64_t DayNumber(std::time_t date);

// Sorts dates[lo..hi] and names[lo..hi] in step, newest day first (a quicksort with a middle
// pivot; not stable among files of the same day).
void SortByFileDate(std::vector<std::time_t>& dates, std::vector<std::string>& names, int lo,
                    int hi);
