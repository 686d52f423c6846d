#include "link/outgoing_queue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A long message of `size` bytes 'L', of which only the first `readable` can be read.
class Long : public MessageSource {
 public:
  explicit Long(uint64_t size, uint64_t readable = UINT64_MAX) : left_(size), readable_(readable) {}
  uint64_t Left() const override { return left_; }
  ByteString Next(size_t most) override {
    const uint64_t n = std::min<uint64_t>({most, left_, readable_});
    left_ -= n;
    readable_ -= n;
    return ByteString(n, 'L');
  }

 private:
  uint64_t left_, readable_;
};

TEST(OutgoingQueue, ALongMessageGoesOutWholeBeforeWhatCameDuringIt) {
  OutgoingQueue queue(/*maxHeld=*/10);
  queue.Push("a");
  queue.Push(std::make_unique<Long>(25));
  EXPECT_TRUE(queue.Push("bb"));                 // a relay value while the long one goes out
  EXPECT_FALSE(queue.Push(ByteString(8, 'x')));  // more than may be held
  EXPECT_EQ(queue.Waiting(), 28u);
  ByteString sent;
  bool failed = false;
  for (ByteString piece; !(piece = queue.Take(4, failed)).empty(); sent += piece)
    EXPECT_LE(piece.size(), 4u);
  EXPECT_EQ(sent, "a" + ByteString(25, 'L') + "bb");
  EXPECT_FALSE(failed);
  EXPECT_TRUE(queue.Empty());
}

// The peer would wait for the rest for ever: the connection must end, and nothing follows.
TEST(OutgoingQueue, ALongMessageThatCannotBeReadToItsEndFails) {
  OutgoingQueue queue;
  queue.Push(std::make_unique<Long>(10, 4));
  queue.Push("after");
  bool failed = false;
  while (!queue.Take(3, failed).empty()) {
  }
  EXPECT_TRUE(failed);
  EXPECT_TRUE(queue.Empty());
}

}  // namespace
