#include <gtest/gtest.h>

#include <random>

#include "net/bytes.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "protocol_fixture.h"

namespace {

ByteString StreamCompress(const ByteString& data, std::mt19937& rng) {
  ByteString out;
  const ByteSink sink = [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  };
  BzCompressor comp(7, 30);
  for (size_t at = 0; at < data.size();) {
    const size_t n = std::min<size_t>(data.size() - at, 1 + rng() % 300000);
    EXPECT_EQ(comp.Feed(data.data() + at, n, sink), 0);
    at += n;
  }
  EXPECT_EQ(comp.Finish(sink), 0);
  return out;
}

TEST(BzCompressor, MakesTheSameBytesAsTheBufferFunctionHoweverFed) {
  std::mt19937 rng(7);
  // Sizes around and beyond one 700 kB block, and runs that the first stage shortens.
  for (const ByteString& data :
       {ByteString(1, 'x'), Pattern(1000, 1), Pattern(699999, 2), Pattern(1500000, 3),
        ByteString(2000000, 'r') + Pattern(5000, 4)}) {
    EXPECT_EQ(StreamCompress(data, rng), Compressed(data)) << data.size();
  }
}

TEST(DecompressBounded, TellsWholeLongShortAndDamagedStreamsApartAndStopsBombsAtTheLimit) {
  const ByteString data = Pattern(100000, 5);
  const ByteString packed = Compressed(data);
  ByteString out;
  EXPECT_EQ(DecompressBounded(packed, data.size(), out), kBzOk);
  EXPECT_EQ(out, data);
  EXPECT_EQ(DecompressBounded(packed, data.size() - 1, out), kBzOutbuffFull);
  EXPECT_EQ(out, data.substr(0, data.size() - 1));
  EXPECT_EQ(DecompressBounded(packed.substr(0, packed.size() / 2), data.size(), out), kBzDataError)
      << "a cut stream is damaged";
  EXPECT_EQ(DecompressBounded("not bzip2 at all", 100, out), kBzDataErrorMagic);

  const ByteString bomb = Compressed(ByteString(50'000'000, '\0'));
  ASSERT_LT(bomb.size(), 1000u);
  EXPECT_EQ(DecompressBounded(bomb, 4096, out), kBzOutbuffFull) << "a bomb stops at the limit";
  EXPECT_EQ(out.size(), 4096u);
}

}  // namespace
