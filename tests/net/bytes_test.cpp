#include "net/bytes.h"

#include <gtest/gtest.h>

#include "protocol_fixture.h"

namespace {

TEST(Packing, LongsAreLittleEndianTwosComplement) {
  EXPECT_EQ(LongToBytes(0), B({0, 0, 0, 0}));
  EXPECT_EQ(LongToBytes(1), B({1, 0, 0, 0}));
  EXPECT_EQ(LongToBytes(-1), B({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(BytesToLong(B({0, 1, 0, 0})), 256);
  EXPECT_EQ(BytesToLong(B({0xF0, 0xFF, 0xFF, 0xFF})), -16);
  EXPECT_EQ(BytesToLong(B({1, 0, 0, 0, 9, 9})), 1) << "only the first four bytes count";
  EXPECT_EQ(BytesToLong(LongToBytes(0x12345678)), 0x12345678);
}

TEST(Packing, ShortsWrapAndAreNeverNegativeSinglesAreIeeeLittleEndian) {
  EXPECT_EQ(BytesToShort(B({0xFF, 0xFF})), 65535);
  EXPECT_EQ(ShortToBytes(65536), B({0, 0}));
  EXPECT_EQ(ShortToBytes(65537), B({1, 0}));
  EXPECT_EQ(ShortToBytes(16), B({0x10, 0}));
  EXPECT_EQ(SingleToBytes(12.5f), B({0, 0, 0x48, 0x41}));
  EXPECT_EQ(SingleToBytes(-2.0f), B({0, 0, 0, 0xC0}));
}

}  // namespace
