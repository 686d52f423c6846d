#include "core/octet_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>

#include "core/leading_number.h"

std::string NumberText(double value) {
  if (value == 0 || std::isnan(value)) return "0";  // also drops the sign of -0
  if (std::isinf(value)) value = std::copysign(DBL_MAX, value);
  char buffer[64];
  // Fifteen significant digits: the double's reliable precision, so 0.1 + 0.2 reads "0.3".
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

TypedOctet AfterTyping(std::string_view typed) {
  std::string text = NumberText(ReadLeadingNumber(typed));
  const bool full = text.size() == 4;
  if (full) text.resize(3);
  return {text, full};
}

std::string ClampedOctetText(std::string_view text) {
  double v = ReadLeadingNumber(text);
  if (v > 255 || v < -0.5) return "0";
  return NumberText(std::nearbyint(v));  // the default rounding mode sends halves to even
}

std::string AddressToText(const std::array<uint8_t, 4>& bytes) {
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}
