#pragma once

#include <cstdint>
#include <string_view>

#include "core/byte_string.h"

// Kinds of an encoded field, as in-game scripts read them.
inline constexpr uint8_t kKindInteger = 0;
inline constexpr uint8_t kKindReal = 1;
inline constexpr uint8_t kKindText = 2;

struct EncodedField {
  ByteString Value;
  uint8_t Kind = kKindInteger;
};

// Encodes one field of a marker line:
//  - first character "S" or "s": the rest of the field and one NUL (text);
//  - contains ".": the number as a little-endian IEEE single (real);
//  - otherwise: the number rounded to the nearest integer, halves to even, as 4 bytes.
// Numbers beyond the target's range saturate; NaN cannot arise (see ReadLeadingNumber).
EncodedField EncodeField(std::string_view field);
