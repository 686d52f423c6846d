#include "net/comp.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include "support/fake_ui.h"

namespace {

ByteString Sample(size_t n) {
  ByteString s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7 + i / 13) & 0xFF);
  return s;
}

// The block size a stream was made with, from its "BZh<digit>" header.
int BlockSizeOf(const ByteString& stream) { return stream[3] - '0'; }

TEST(Compression, RoundTripsAndTellsShortTargetsAndDamageApart) {
  for (size_t n : {1u, 2u, 1000u, 123457u}) {
    const ByteString original = Sample(n);
    ByteString data = original;
    ASSERT_EQ(CompressBytes(data, 7), kBzOk);
    EXPECT_EQ(data.substr(0, 4), "BZh7");
    const ByteString packed = data;
    auto size = static_cast<int32_t>(n);
    EXPECT_EQ(DecompressBytes(data, size), kBzOk);
    EXPECT_EQ(size, static_cast<int32_t>(n));
    EXPECT_EQ(data, original);
    if (n < 1000) continue;

    // A smaller target gives "output full" and exactly that many bytes.
    data = packed;
    size = static_cast<int32_t>(n - 1);
    EXPECT_EQ(DecompressBytes(data, size), kBzOutbuffFull);
    EXPECT_EQ(size, static_cast<int32_t>(n - 1));
    EXPECT_EQ(data, original.substr(0, n - 1));

    // A damaged stream is a data error, which is shown.
    data = packed;
    data[data.size() / 2] ^= 0x55;
    size = static_cast<int32_t>(n);
    FakeUi ui;
    ShowCompressionError(DecompressBytes(data, size), ui);
    EXPECT_EQ(ui.Messages.size(), 1u) << n;
  }
}

TEST(Compression, LevelIsClamped) {
  const struct {
    int level;
    int block;
  } cases[] = {{12, 9}, {9, 9}, {1, 1}, {-3, 1}};
  for (const auto& c : cases) {
    ByteString data = Sample(100);
    ASSERT_EQ(CompressBytes(data, c.level), kBzOk) << c.level;
    EXPECT_EQ(BlockSizeOf(data), c.block) << c.level;
  }
  ByteString data = Sample(100);
  EXPECT_EQ(CompressBytes(data, 0), BZ_PARAM_ERROR) << "level 0 is passed on and rejected";
  EXPECT_EQ(data.size(), 701u) << "a failure leaves the full capacity (n + 1% + 600)";
}

TEST(Compression, OnlyDataErrorsAreShown) {
  FakeUi ui;
  for (int code : {0, -1, -2, -3, -6, -7, -8, -9}) ShowCompressionError(code, ui);
  EXPECT_TRUE(ui.Messages.empty());
  ShowCompressionError(-5, ui);
  ShowCompressionError(-4, ui);
  ASSERT_EQ(ui.Messages.size(), 2u);
  EXPECT_EQ(ui.Messages[0].Text, "Buffer too small");
  EXPECT_EQ(ui.Messages[1].Text, "Insufficient memory");
  for (const auto& m : ui.Messages) {
    EXPECT_EQ(m.Title, "Compression Error");
    EXPECT_EQ(m.Icon, MessageIcon::Exclamation);
  }
}

TEST(Compression, CompressStringOfOneByteGivesAStream) {
  FakeUi ui;
  ByteString s = "x";
  CompressString(s, ui);
  EXPECT_TRUE(ui.Messages.empty());
  EXPECT_EQ(s.substr(0, 3), "BZh");
  int32_t size = 1;
  EXPECT_EQ(DecompressBytes(s, size), kBzOk);
  EXPECT_EQ(s, "x");
}

}  // namespace
