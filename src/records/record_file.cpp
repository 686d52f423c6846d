#include "records/record_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/local_time.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "platform/file_handle.h"

namespace {

uint32_t ReadU32(const char* p) {
  return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

WalkOutcome Damaged(std::string problem, uint64_t offset) {
  return WalkOutcome{false, std::move(problem), offset};
}

// Reads a file forward in large pieces and hands out its records as views into the
// buffer, which grows only as far as the largest record of the file.
class RecordReader {
 public:
  explicit RecordReader(const FileHandle& file)
      : file_(file), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)), capacity_(kChunk) {}

  // Makes `count` bytes from the current position available; false at the end of the file
  // or on a read error.
  bool Ensure(size_t count) {
    if (end_ - begin_ >= count) return true;
    if (count > capacity_) {
      auto bigger = std::make_unique_for_overwrite<char[]>(count);
      std::memcpy(bigger.get(), buffer_.get() + begin_, end_ - begin_);
      buffer_ = std::move(bigger);
      capacity_ = count;
    } else if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    }
    end_ -= begin_;
    begin_ = 0;
    while (end_ < count) {
      const int64_t got = file_.ReadAt(offset_, buffer_.get() + end_, capacity_ - end_);
      if (got <= 0) return false;
      end_ += static_cast<size_t>(got);
      offset_ += static_cast<uint64_t>(got);
    }
    return true;
  }

  const char* Data() const { return buffer_.get() + begin_; }
  void Consume(size_t count) { begin_ += count; }

  // Asks the processor for the buffered bytes from `distance` ahead of the current position,
  // as many as the current record has but at most `distance`. Record headers lie a few
  // hundred bytes apart in data the kernel's copy has pushed out of the nearer caches;
  // called once per record, this keeps the walk from waiting for memory on nearly every
  // record, and a large record costs no more than a small one. Every other 64-byte line is
  // asked for: the processor fetches each line's 128-byte buddy along with it.
  void Prefetch(size_t distance, size_t recordLength) const {
    const size_t stop = std::min(end_, begin_ + distance + std::min(recordLength, distance));
    for (size_t at = begin_ + distance; at < stop; at += 128)
      __builtin_prefetch(buffer_.get() + at);
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  const FileHandle& file_;
  uint64_t offset_ = 0;  // file offset of the byte after the buffered ones
  std::unique_ptr<char[]> buffer_;
  size_t capacity_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace

WalkOutcome WalkRecordViews(const std::filesystem::path& path, int64_t fileLength,
                            double progressFrameWidth, Ui& ui, const RecordTypeSet& types,
                            const RecordViewVisitor& visit) {
  const FileHandle file = FileHandle::OpenForReading(path);
  if (!file.IsOpen()) return Damaged("cannot be opened", 0);
  const std::optional<uint64_t> size = file.Size();
  if (!size) return Damaged("cannot be read", 0);
  const uint64_t actualSize = *size;
  RecordReader reader(file);

  if (!reader.Ensure(kRecordHeaderSize)) return Damaged("shorter than a record header", 0);
  const uint64_t headerSize = ReadU32(reader.Data() + 4);
  if (headerSize > kMaxRecordSize || headerSize > actualSize - kRecordHeaderSize) {
    return Damaged("header record runs past the end", 0);
  }
  if (!reader.Ensure(kRecordHeaderSize + headerSize)) return Damaged("cannot be read", 0);
  reader.Consume(kRecordHeaderSize + headerSize);
  uint64_t position = kRecordHeaderSize + headerSize;
  // The window hears of the walk every 64 KiB: often enough to stay responsive, seldom
  // enough that a file of a million small records does not pay two calls per record.
  constexpr uint64_t kReportStep = 64 * 1024;
  uint64_t nextReport = position;
  const auto report = [&] {
    if (fileLength > 0) {
      ui.SetFileProgress(static_cast<double>(position) / static_cast<double>(fileLength) *
                         progressFrameWidth);
    }
    ui.YieldToEventLoop();
  };

  while (position < actualSize) {
    if (actualSize - position < kRecordHeaderSize) {
      return Damaged("ends inside a record header", position);
    }
    if (!reader.Ensure(kRecordHeaderSize)) return Damaged("cannot be read", position);
    const uint64_t size = ReadU32(reader.Data() + 4);
    if (size > kMaxRecordSize) return Damaged("record size of 2^31 or more", position);
    if (size > actualSize - position - kRecordHeaderSize) {
      return Damaged("record runs past the end", position);
    }
    const size_t length = kRecordHeaderSize + static_cast<size_t>(size);
    if (!reader.Ensure(length)) return Damaged("cannot be read", position);
    reader.Prefetch(1024, length);
    position += length;

    if (position >= nextReport) {
      report();
      nextReport = position + kReportStep;
    }
    const std::string_view record(reader.Data(), length);
    if (types.MayHold(RecordTypeCode(record))) visit(record.substr(0, 4), record);
    reader.Consume(length);
  }
  report();
  return WalkOutcome{true, {}, position};
}

WalkOutcome WalkRecords(const std::filesystem::path& path, int64_t fileLength,
                        double progressFrameWidth, Ui& ui, const RecordVisitor& visit) {
  ByteString record;
  return WalkRecordViews(path, fileLength, progressFrameWidth, ui, RecordTypeSet::All(),
                         [&](std::string_view type, std::string_view view) {
                           record.assign(view);
                           visit(type, record);
                         });
}

size_t FindSubrecord(const ByteString& record, std::string_view tag, size_t start) {
  if (start > record.size()) return ByteString::npos;
  return record.find(tag, start);
}

ByteString SubrecordValue(const ByteString& record, size_t tagPos) {
  if (tagPos == ByteString::npos || tagPos + 8 > record.size()) return {};
  const uint64_t size = static_cast<uint32_t>(BytesToLongAt(record, tagPos + 4));
  const uint64_t available = record.size() - (tagPos + 8);
  return record.substr(tagPos + 8, static_cast<size_t>(std::min(size, available)));
}

std::string RecordId(const ByteString& record, bool withNul) {
  ByteString value = SubrecordValue(record, 16);
  if (!withNul && !value.empty()) value.pop_back();
  return value;
}

ByteString ReplaceId(ByteString record, std::string_view newId) {
  const std::string oldId = RecordId(record, false);
  const size_t count = std::min(oldId.size(), newId.size());
  if (count == 0) return record;  // no id to replace (a record shorter than 24 bytes included)
  record.replace(24, count, newId.substr(0, count));
  return record;
}

int64_t DayNumber(std::time_t date) {
  const std::tm local = LocalTime(date);
  // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
  int64_t y = local.tm_year + 1900;
  const int64_t m = local.tm_mon + 1;
  const int64_t d = local.tm_mday;
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void SortByFileDate(std::vector<std::time_t>& dates, std::vector<std::string>& names, int lo,
                    int hi) {
  const int m = static_cast<int>(std::nearbyint((lo + hi) / 2.0));
  const int64_t pivot = DayNumber(dates[m]);
  int i = lo;
  int j = hi;
  while (i <= j) {
    while (i < hi && DayNumber(dates[i]) > pivot) ++i;
    while (j > lo && DayNumber(dates[j]) < pivot) --j;
    if (i > j) break;
    std::swap(dates[i], dates[j]);
    std::swap(names[i], names[j]);
    ++i;
    --j;
  }
  if (lo < j) SortByFileDate(dates, names, lo, j);
  if (i < hi) SortByFileDate(dates, names, i, hi);
}
