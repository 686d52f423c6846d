#include "bridge/field_encoding.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <limits>

#include "net/bytes.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(EncodeField, EncodesTextsRealsAndIntegersSaturatingOutOfRange) {
  const struct {
    std::string Field;
    uint8_t Kind;
    ByteString Value;
  } cases[] = {
      {"Sfoo", kKindText, ByteString("foo\0", 4)},
      {"12.5", kKindReal, SingleToBytes(12.5f)},
      {"2.5e", kKindReal, SingleToBytes(2.5f)},
      {"45", kKindInteger, LongToBytes(45)},
      {"25e-1", kKindInteger, LongToBytes(2)},
      {"35e-1", kKindInteger, LongToBytes(4)},
      {"12abc", kKindInteger, LongToBytes(12)},
      {"", kKindInteger, LongToBytes(0)},
      {"nan", kKindInteger, LongToBytes(0)},
      // Beyond the range: saturated.
      {"2147483648", kKindInteger, LongToBytes(kMax)},
      {"-2147483648", kKindInteger, LongToBytes(kMin)},
      {"-3e10", kKindInteger, LongToBytes(kMin)},
      {"1e99999999999999999999", kKindInteger, LongToBytes(kMax)},
      {"1.0e39", kKindReal, SingleToBytes(FLT_MAX)},
      {"0.00000000000000000000000000000000000000000000000001", kKindReal, SingleToBytes(0.0f)},
  };
  for (const auto& c : cases) {
    const EncodedField encoded = EncodeField(c.Field);
    EXPECT_EQ(encoded.Kind, c.Kind) << c.Field;
    EXPECT_EQ(encoded.Value, c.Value) << c.Field;
  }
}

}  // namespace
