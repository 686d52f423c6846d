#include "records/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/ui.h"
#include "net/bytes.h"

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

struct FileCloser {
  int fd;
  ~FileCloser() { ::close(fd); }
};

// Reads a file forward in large pieces and hands out its records as views into the
// buffer, which grows only as far as the largest record of the file.
class RecordReader {
 public:
  explicit RecordReader(int fd)
      : fd_(fd), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)), capacity_(kChunk) {}

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
      const ssize_t got = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      end_ += static_cast<size_t>(got);
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
  int fd_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace

WalkOutcome WalkRecordViews(const std::filesystem::path& path, int64_t fileLength,
                            double progressFrameWidth, Ui& ui, const RecordViewVisitor& visit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Damaged("cannot be opened", 0);
  const FileCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Damaged("cannot be read", 0);
  const auto actualSize = static_cast<uint64_t>(st.st_size);
  RecordReader reader(fd);

  if (!reader.Ensure(kRecordHeaderSize)) return Damaged("shorter than a record header", 0);
  const uint64_t headerSize = ReadU32(reader.Data() + 4);
  if (headerSize > kMaxRecordSize || headerSize > actualSize - kRecordHeaderSize) {
    return Damaged("header record runs past the end", 0);
  }
  if (!reader.Ensure(kRecordHeaderSize + headerSize)) return Damaged("cannot be read", 0);
  reader.Consume(kRecordHeaderSize + headerSize);
  uint64_t position = kRecordHeaderSize + headerSize;

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

    if (fileLength > 0) {
      ui.SetFileProgress(static_cast<double>(position) / static_cast<double>(fileLength) *
                         progressFrameWidth);
    }
    ui.Yield();
    const std::string_view record(reader.Data(), length);
    visit(record.substr(0, 4), record);
    reader.Consume(length);
  }
  return WalkOutcome{true, {}, position};
}

WalkOutcome WalkRecords(const std::filesystem::path& path, int64_t fileLength,
                        double progressFrameWidth, Ui& ui, const RecordVisitor& visit) {
  ByteString record;
  return WalkRecordViews(path, fileLength, progressFrameWidth, ui,
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

std::string NameGenerator::RandomName(std::string_view text) {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

  // Key: date, seconds since midnight, time, one pseudo-random character.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[32];
  char time[32];
  std::strftime(date, sizeof date, "%d.%m.%Y", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  const long secondsSinceMidnight = local.tm_hour * 3600L + local.tm_min * 60L + local.tm_sec;
  const double uniform = std::uniform_real_distribution<double>(0.0, 1.0)(rnd_);
  std::string key = std::string(date) + std::to_string(secondsSinceMidnight) + time;
  key += static_cast<char>(static_cast<int>(std::nearbyint(uniform * 255)));

  // RC4 key schedule.
  for (int i = 0; i < 256; ++i) s_[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    const auto k = static_cast<uint8_t>(key[static_cast<size_t>(i) % key.size()]);
    j = static_cast<uint8_t>(j + s_[i] + k);
    std::swap(s_[i], s_[j]);
  }

  std::string out;
  out.reserve(text.size());
  for (size_t n = 0; n < text.size(); ++n) {
    a_ = static_cast<uint8_t>(a_ + 1);
    b_ = static_cast<uint8_t>(b_ + s_[a_]);
    std::swap(s_[a_], s_[b_]);
    const uint8_t byte = s_[static_cast<uint8_t>(s_[a_] + s_[b_])];
    double x = byte / 255.0 * 62.0;
    if (x >= 61) x = 61;
    out += kAlphabet[static_cast<int>(std::nearbyint(x))];
  }
  return out;
}

int64_t DayNumber(std::time_t date) {
  std::tm local{};
  localtime_r(&date, &local);
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
