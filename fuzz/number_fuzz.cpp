// The address boxes' number reading over fuzzed text: the leading number, its canonical text
// (which must read back as itself) and the octet a box keeps on leaving it.
#include <cmath>
#include <string>

#include "core/leading_number.h"
#include "core/octet_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string_view number = LeadingNumberText(text);
  if (number.size() > text.size()) __builtin_trap();

  const double value = ReadLeadingNumber(text);
  const std::string canonical = NumberText(value);
  // The boxes rewrite their text to the canonical one; that must be a fixed point, or a
  // box would keep rewriting itself.
  if (NumberText(ReadLeadingNumber(canonical)) != canonical) __builtin_trap();

  const std::string octet = ClampedOctetText(text);
  const double o = ReadLeadingNumber(octet);
  if (o < 0 || o > 255 || o != std::floor(o) || NumberText(o) != octet) __builtin_trap();

  ReadLeadingSingle(text);
  RoundToLong(value);
  return 0;
}
