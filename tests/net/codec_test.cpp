#include <gtest/gtest.h>

#include "net/bytes.h"
#include "net/bzip2_stream.h"
#include "net/comp.h"
#include "protocol_fixture.h"

namespace {

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
