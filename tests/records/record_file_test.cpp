#include "records/record_file.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

using namespace tes3;

TEST(RandomNames, LengthAndAlphabet) {
  NameGenerator names;
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string name = names.RandomName("12345");
    ASSERT_EQ(name.size(), 5u);
    for (char c : name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << name;
    seen.insert(name);
  }
  EXPECT_GT(seen.size(), 45u) << "names drawn in the same second still differ";
}

struct WalkResult {
  WalkOutcome Outcome;
  std::vector<ByteString> Records;
  FakeUi ui;
};

WalkResult Walk(const ByteString& bytes) {
  TempDir dir;
  WalkResult result;
  result.Outcome = WalkRecords(dir.Write("file.esp", bytes), static_cast<int64_t>(bytes.size()),
                               result.ui.Shape2Width(), result.ui,
                               [&](std::string_view type, const ByteString& r) {
                                 EXPECT_EQ(type, r.substr(0, 4));
                                 result.Records.push_back(r);
                               });
  return result;
}

// Record boundaries of the real plug-in, established with a separate reader when the test
// data was chosen: 79 records after the 437-byte header record.
constexpr size_t kRealRecordCount = 79;
constexpr size_t kRealHeaderLength = 437;

TEST(RecordWalk, DeliversEveryRecordOfTheRealPluginOnce) {
  const ByteString real = RealTestFile("all_types.esp");
  const WalkResult walk = Walk(real);
  EXPECT_TRUE(walk.Outcome.Complete) << walk.Outcome.Problem;
  ASSERT_EQ(walk.Records.size(), kRealRecordCount);
  EXPECT_EQ(RecordId(walk.Records.front(), false), "fAIFleeFleeMult");
  EXPECT_EQ(walk.Records.back().substr(0, 4), "INFO");
  ByteString joined = real.substr(0, kRealHeaderLength);
  for (const auto& r : walk.Records) joined += r;
  EXPECT_EQ(joined, real);
  ASSERT_FALSE(walk.ui.FileProgress.empty());
  EXPECT_DOUBLE_EQ(walk.ui.FileProgress.back(), walk.ui.Shape2Width());
}

TEST(RecordWalk, DamagedFilesEndTheWalkWithoutAllocatingTheClaim) {
  const ByteString real = RealTestFile("all_types.esp");
  // An empty file, and a header record whose size runs past the end.
  for (const ByteString& bytes :
       {ByteString(), real.substr(0, 4) + LongToBytes(-16) + real.substr(8)}) {
    const WalkResult walk = Walk(bytes);
    EXPECT_FALSE(walk.Outcome.Complete || walk.Outcome.Problem.empty()) << bytes.size();
    EXPECT_TRUE(walk.Records.empty()) << bytes.size();
  }
  FakeUi ui;
  EXPECT_FALSE(
      WalkRecords("/nonexistent/quib/file.esp", 0, 0, ui, [](std::string_view, const ByteString&) {
      }).Complete);
}

// The window hears of a long walk as it goes.
TEST(RecordWalk, RecordsStraddlingReadPiecesArriveWholeAndTheWindowHearsOfTheWalk) {
  std::vector<ByteString> records;
  for (int n = 0; n < 3000; ++n) {
    records.push_back(
        Record("MISC", {Sub("NAME", Z(std::to_string(n))), Sub("DATA", ByteString(n % 700, 'x'))}));
  }
  // One record larger than a read piece.
  records.insert(records.begin() + 1500, Record("LAND", {Sub("VHGT", ByteString(3 << 20, 'y'))}));
  records.push_back(Record("EMPT", {}));
  const WalkResult walk = Walk(File({}, records));
  EXPECT_TRUE(walk.Outcome.Complete);
  EXPECT_EQ(walk.Records, records);
  EXPECT_GE(walk.ui.Yields, 10);
  EXPECT_GE(walk.ui.FileProgress.size(), 10u);
}

}  // namespace
