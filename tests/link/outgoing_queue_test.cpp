#include "link/outgoing_queue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A long message of `size` bytes 'L', of which only the first `readable` can be read.
class Long : public MessageSource {
 public:
  Long(uint64_t size, uint64_t readable) : left_(size), readable_(readable) {}
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

// What comes during a long message follows it; one that cannot be read to its end fails (the
// peer would wait for the rest for ever), and nothing follows it.
TEST(OutgoingQueue, ALongMessageGoesOutWholeBeforeWhatCameDuringIt) {
  for (const uint64_t readable : {25, 10}) {
    OutgoingQueue queue(/*maxHeld=*/10);
    queue.Push("a");
    queue.Push(std::make_unique<Long>(25, readable));
    EXPECT_TRUE(queue.Push("bb"));                 // a relay value while the long one goes out
    EXPECT_FALSE(queue.Push(ByteString(8, 'x')));  // more than may be held
    EXPECT_EQ(queue.Waiting(), 28u);
    ByteString sent;
    bool failed = false;
    for (ByteString piece; !(piece = queue.Take(4, failed)).empty(); sent += piece)
      EXPECT_LE(piece.size(), 4u);
    EXPECT_EQ(sent, readable == 25 ? "a" + ByteString(25, 'L') + "bb" : "a" + ByteString(7, 'L'));
    EXPECT_EQ(failed, readable < 25);
    EXPECT_TRUE(queue.Empty());
  }
}

}  // namespace
