#include "net/comp.h"

#include <gtest/gtest.h>

#include "net/bzip2_stream.h"
#include "support/fake_ui.h"

namespace {

TEST(Compression, CompressStringRoundTripsThroughTheBoundedReader) {
  for (size_t n : {1u, 1000u, 123457u}) {
    ByteString original;
    for (size_t i = 0; i < n; ++i) original += static_cast<char>((i * 7 + i / 13) & 0xFF);
    FakeUi ui;
    ByteString packed = original;
    CompressString(packed, ui);
    EXPECT_TRUE(ui.Messages.empty());
    ByteString out;
    EXPECT_EQ(DecompressBounded(packed, n, out), kBzOk) << n;
    EXPECT_EQ(out, original) << n;
  }
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

}  // namespace
