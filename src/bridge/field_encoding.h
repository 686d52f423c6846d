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

// The text of the leading number of s: leading spaces and tabs skipped, an optional sign,
// digits with an optional fraction, and an optional exponent, stopping at the first
// character that cannot continue the number. Empty when s starts with no number.
std::string_view LeadingNumberText(std::string_view s);

// The leading number of s as a double (0 when there is none); out-of-range values become
// +-infinity or 0.
double ReadLeadingNumber(std::string_view s);

// The leading number of s as a single-precision value: 0 when there is none, +-FLT_MAX
// beyond the float range.
float ReadLeadingSingle(std::string_view s);

// Rounds half to even and saturates to the 32-bit range; NaN gives 0.
int32_t RoundToLong(double value);
