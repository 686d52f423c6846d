#include "net/bytes.h"

#include <cstring>

ByteString LongToBytes(int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  ByteString out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return out;
}

int32_t BytesToLongAt(const ByteString& s, size_t offset) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(s[offset + i]);
  return static_cast<int32_t>(u);
}

int32_t BytesToLong(const ByteString& s) { return BytesToLongAt(s, 0); }

ByteString ShortToBytes(int32_t value) { return LongToBytes(value).substr(0, 2); }

int32_t BytesToShort(const ByteString& s) {
  return static_cast<unsigned char>(s[0]) + 256 * static_cast<unsigned char>(s[1]);
}

ByteString SingleToBytes(float value) {
  uint32_t u = 0;
  std::memcpy(&u, &value, sizeof u);
  return LongToBytes(static_cast<int32_t>(u));
}
