#pragma once

#include <cstdint>

#include "core/byte_string.h"

// Little-endian packing of the integers and reals that travel in files and on the wire.

ByteString LongToBytes(int32_t value);
// Reads the first four bytes of s (callers guarantee at least four).
int32_t BytesToLong(const ByteString& s);
// Reads four bytes at offset; the caller guarantees offset + 4 <= s.size().
int32_t BytesToLongAt(const ByteString& s, size_t offset);
// Two bytes: value modulo 65536.
ByteString ShortToBytes(int32_t value);
// First byte + 256 * second byte, never negative (callers pass exactly two bytes).
int32_t BytesToShort(const ByteString& s);
ByteString SingleToBytes(float value);
