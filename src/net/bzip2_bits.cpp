#include "net/bzip2_bits.h"

#include <algorithm>

uint64_t BitsAt(const char* data, uint64_t at, int count) {
  const auto* p = reinterpret_cast<const uint8_t*>(data) + at / 8;
  const int skip = static_cast<int>(at % 8);
  const int bytes = (skip + count + 7) / 8;
  uint64_t word = 0;
  for (int i = 0; i < bytes; ++i) word = word << 8 | p[i];
  word >>= bytes * 8 - skip - count;
  return count == 64 ? word : word & ((uint64_t{1} << count) - 1);
}

void BitWriter::Put(uint64_t value, int count) {
  pending_ = pending_ << count | (value & ((uint64_t{1} << count) - 1));
  pendingBits_ += count;
  while (pendingBits_ >= 8) {
    pendingBits_ -= 8;
    out_.push_back(static_cast<char>(pending_ >> pendingBits_));
  }
  pending_ &= (uint64_t{1} << pendingBits_) - 1;
}

void BitWriter::Copy(const char* data, uint64_t from, uint64_t count) {
  // Up to a byte boundary of the source, then whole source bytes, then what is left.
  const auto head = static_cast<int>(std::min<uint64_t>((8 - from % 8) % 8, count));
  if (head > 0) Put(BitsAt(data, from, head), head);
  from += head;
  count -= head;
  const auto* p = reinterpret_cast<const uint8_t*>(data) + from / 8;
  const uint64_t whole = count / 8;
  if (pendingBits_ == 0) {
    out_.append(reinterpret_cast<const char*>(p), whole);
  } else {
    out_.reserve(out_.size() + whole + 1);
    const int keep = pendingBits_;
    for (uint64_t i = 0; i < whole; ++i) {
      const uint64_t word = pending_ << 8 | p[i];
      out_.push_back(static_cast<char>(word >> keep));
      pending_ = word & ((uint64_t{1} << keep) - 1);
    }
  }
  const auto tail = static_cast<int>(count % 8);
  if (tail > 0) Put(p[whole] >> (8 - tail), tail);
}

void BitWriter::PadToByte() {
  if (pendingBits_ > 0) Put(0, 8 - pendingBits_);
}
