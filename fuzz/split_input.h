#pragma once

#include <cstdint>
#include <utility>

#include "core/byte_string.h"

// Splits one fuzz input into two files: a 4-byte little-endian length of the first part
// (taken modulo what is left), the first part, then the second part. Inputs shorter than
// the length field are wholly the first part.
inline std::pair<ByteString, ByteString> SplitInput(const ByteString& input) {
  if (input.size() < 4) return {input, ByteString()};
  uint32_t length = 0;
  for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(input[i]);
  const size_t rest = input.size() - 4;
  const size_t first = length % (rest + 1);
  return {input.substr(4, first), input.substr(4 + first)};
}

// The inverse, for writing seeds.
inline ByteString JoinInput(const ByteString& first, const ByteString& second) {
  ByteString out;
  const uint32_t length = static_cast<uint32_t>(first.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>(length >> (8 * i) & 0xFF);
  return out + first + second;
}
