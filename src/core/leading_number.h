#pragma once

#include <cstdint>
#include <string_view>

// Lenient reading of the number a text starts with, shared by the address boxes and the
// bridge's field encoding.

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
