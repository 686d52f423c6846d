#include "core/leading_number.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(std::string_view s, size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

// Whether an out-of-range number text is too large (true) or too small (false) in
// magnitude: the decimal exponent of its first significant digit decides.
bool IsOverflow(std::string_view number) {
  size_t i = 0;
  if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
  long magnitude = 0;
  bool seenSignificant = false;
  bool inFraction = false;
  long fractionZeros = 0;
  for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i) {
    if (number[i] == '.') {
      inFraction = true;
    } else if (!seenSignificant && number[i] == '0') {
      if (inFraction) ++fractionZeros;
    } else if (!seenSignificant) {
      seenSignificant = true;
      if (inFraction) magnitude = -(fractionZeros + 1);
    } else if (!inFraction) {
      ++magnitude;
    }
  }
  if (!seenSignificant) return false;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    // The exponent text is digits only; clamp it so a long one cannot overflow.
    ++i;
    const bool negative = i < number.size() && number[i] == '-';
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    long exponent = 0;
    for (; i < number.size() && IsDigit(number[i]); ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (number[i] - '0');
    }
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude > 0;
}

// from_chars takes no leading "+".
std::string_view WithoutPlus(std::string_view number) {
  if (!number.empty() && number[0] == '+') number.remove_prefix(1);
  return number;
}

template <typename T>
T ParseNumber(std::string_view s, T huge) {
  const std::string_view number = LeadingNumberText(s);
  if (number.empty()) return 0;
  const std::string_view text = WithoutPlus(number);
  T value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    const bool negative = text[0] == '-';
    const T magnitude = IsOverflow(text) ? huge : T(0);
    return negative ? -magnitude : magnitude;
  }
  if (result.ec != std::errc()) return 0;
  return value;
}

}  // namespace

std::string_view LeadingNumberText(std::string_view s) {
  size_t start = 0;
  while (start < s.size() && (s[start] == ' ' || s[start] == '\t')) ++start;
  size_t i = start;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t intStart = i;
  i = SkipDigits(s, i);
  size_t digits = i - intStart;
  if (i < s.size() && s[i] == '.') {
    const size_t fracStart = i + 1;
    const size_t fracEnd = SkipDigits(s, fracStart);
    digits += fracEnd - fracStart;
    // A point with no digit on either side is not a number.
    if (digits > 0) i = fracEnd;
  }
  if (digits == 0) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const size_t expEnd = SkipDigits(s, j);
    // "1e" or "1e+" ends the number before the "e".
    if (expEnd > j) i = expEnd;
  }
  return s.substr(start, i - start);
}

double ReadLeadingNumber(std::string_view s) {
  return ParseNumber<double>(s, std::numeric_limits<double>::infinity());
}

float ReadLeadingSingle(std::string_view s) {
  const float value = ParseNumber<float>(s, FLT_MAX);
  // from_chars may round a text just past the largest float up to infinity.
  if (std::isinf(value)) return value < 0 ? -FLT_MAX : FLT_MAX;
  return value;
}

int32_t RoundToLong(double value) {
  if (std::isnan(value)) return 0;
  // The default rounding mode rounds halves to the even neighbour.
  const double rounded = std::nearbyint(value);
  if (rounded >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (rounded <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(rounded);
}
