#pragma once

#include <cstddef>
#include <cstdint>

#include "core/byte_string.h"

// The bit-level layout of a bzip2 stream: "BZh" and a block-size digit, then blocks that
// each start with a 48-bit marker and their 32-bit CRC, then an end marker, the combined
// CRC and zero bits up to a byte. Bits run from each byte's highest bit down.
inline constexpr uint64_t kBlockMarker = 0x314159265359;
inline constexpr uint64_t kEndMarker = 0x177245385090;
inline constexpr int kMarkerBits = 48;
inline constexpr uint64_t kHeaderBits = 32;

// The combined CRC with the next block's CRC folded in.
inline uint32_t FoldBlockCrc(uint32_t combined, uint32_t block) {
  return (combined << 1 | combined >> 31) ^ block;
}

// `count` bits (at most 56) from bit `at` of data; the caller checks they lie within it.
uint64_t BitsAt(const char* data, uint64_t at, int count);

// Builds a byte string bit by bit.
class BitWriter {
 public:
  // The low `count` bits of value (at most 56), highest first.
  void Put(uint64_t value, int count);
  // `count` bits of data starting at bit `from`.
  void Copy(const char* data, uint64_t from, uint64_t count);
  // Zero bits up to the next whole byte.
  void PadToByte();
  // The whole bytes written so far; the caller may take them away.
  ByteString& Bytes() { return out_; }

 private:
  ByteString out_;
  uint64_t pending_ = 0;  // bits not yet a whole byte, in the low `pendingBits_` bits
  int pendingBits_ = 0;
};
