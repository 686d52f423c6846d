#include "net/bytes.h"

#include <gtest/gtest.h>

#include "protocol_fixture.h"

namespace {

TEST(Packing, LongsShortsAndSinglesAreLittleEndian) {
  EXPECT_EQ(LongToBytes(-1), B({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(LongToBytes(0x01020304), B({4, 3, 2, 1}));
  EXPECT_EQ(BytesToLong(B({0xF0, 0xFF, 0xFF, 0xFF, 9})), -16) << "only the first four bytes count";
  EXPECT_EQ(BytesToShort(B({0xFF, 0xFF})), 65535) << "never negative";
  EXPECT_EQ(ShortToBytes(65537), B({1, 0})) << "wraps";
  EXPECT_EQ(SingleToBytes(-2.0f), B({0, 0, 0, 0xC0}));
}

}  // namespace
