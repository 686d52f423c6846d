#include "records/record_file.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/ui.h"
#include "net/bytes.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

uint32_t ReadU32(const char* p) {
  return static_cast<uint32_t>(static_cast<unsigned char>(p[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

WalkOutcome Damaged(std::string problem, uint64_t offset) {
  return WalkOutcome{false, std::move(problem), offset};
}

}  // namespace

namespace {

// Reads a file forward in large chunks and hands out byte ranges of it. A range is only
// requested after its length has been checked against the file's size, so the buffer never
// grows beyond what the file really holds.
class ForwardReader {
 public:
  ForwardReader(std::FILE* file, uint64_t fileSize)
      : file_(file), buffer_(static_cast<size_t>(std::min<uint64_t>(fileSize, kChunk))) {}

  // Makes [offset, offset + length) available and returns its start; nullptr on a read error.
  const char* Fetch(uint64_t offset, size_t length) {
    if (offset < start_ || offset + length > start_ + filled_) {
      const uint64_t keepFrom = std::max(offset, start_);
      const size_t keep = keepFrom < start_ + filled_ ? start_ + filled_ - keepFrom : 0;
      if (length > buffer_.size()) buffer_.resize(length);
      std::memmove(buffer_.data(), buffer_.data() + (keepFrom - start_), keep);
      start_ = keepFrom;
      filled_ = keep;
      while (start_ + filled_ < offset + length) {
        const size_t n = std::fread(buffer_.data() + filled_, 1, buffer_.size() - filled_, file_);
        if (n == 0) return nullptr;
        filled_ += n;
      }
    }
    return buffer_.data() + (offset - start_);
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  std::FILE* file_;
  std::vector<char> buffer_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
};

}  // namespace

WalkOutcome WalkRecords(const std::filesystem::path& path, int64_t fileLength,
                        double progressFrameWidth, Ui& ui, const RecordVisitor& visit) {
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return Damaged("cannot be opened", 0);
  struct stat st {};
  if (::fstat(fileno(file.get()), &st) != 0) return Damaged("cannot be read", 0);
  const auto actualSize = static_cast<uint64_t>(st.st_size);
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  ForwardReader reader(file.get(), actualSize);

  if (actualSize < kRecordHeaderSize) return Damaged("shorter than a record header", 0);
  const char* header = reader.Fetch(0, kRecordHeaderSize);
  if (!header) return Damaged("cannot be read", 0);
  const uint64_t headerSize = ReadU32(header + 4);
  if (headerSize > kMaxRecordSize || headerSize > actualSize - kRecordHeaderSize) {
    return Damaged("header record runs past the end", 0);
  }
  uint64_t position = kRecordHeaderSize + headerSize;

  const double progressScale =
      fileLength > 0 ? progressFrameWidth / static_cast<double>(fileLength) : 0.0;
  ByteString record;
  while (position < actualSize) {
    if (actualSize - position < kRecordHeaderSize) {
      return Damaged("ends inside a record header", position);
    }
    header = reader.Fetch(position, kRecordHeaderSize);
    if (!header) return Damaged("cannot be read", position);
    const uint64_t size = ReadU32(header + 4);
    if (size > kMaxRecordSize) return Damaged("record size of 2^31 or more", position);
    if (size > actualSize - position - kRecordHeaderSize) {
      return Damaged("record runs past the end", position);
    }
    const char* bytes = reader.Fetch(position, kRecordHeaderSize + size);
    if (!bytes) return Damaged("cannot be read", position);
    record.assign(bytes, kRecordHeaderSize + size);
    position += kRecordHeaderSize + size;

    if (fileLength > 0) ui.SetFileProgress(static_cast<double>(position) * progressScale);
    ui.Yield();
    visit(std::string_view(record.data(), 4), record);
  }
  return WalkOutcome{true, {}, position};
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
  if (count == 0) return record;
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
