#include "net/comp.h"

#include <gtest/gtest.h>

#include "support/fake_ui.h"

namespace {

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
