#include <gtest/gtest.h>

#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

struct Seen {
  std::string Type;
  size_t Size;
  std::string Id;
};

struct WalkResult {
  WalkOutcome Outcome;
  std::vector<Seen> Records;
};

WalkResult Walk(const std::filesystem::path& path, FakeUi& ui) {
  WalkResult result;
  const auto length = static_cast<int64_t>(std::filesystem::file_size(path));
  result.Outcome = WalkRecords(
      path, length, ui.Shape2Width(), ui, [&](std::string_view type, const ByteString& r) {
        result.Records.push_back({std::string(type), r.size(), RecordId(r, false)});
      });
  return result;
}

WalkResult Walk(const ByteString& bytes) {
  TempDir dir;
  FakeUi ui;
  return Walk(dir.Write("file.esp", bytes), ui);
}

// Record boundaries of the real plug-in, established with a separate reader when the test
// data was chosen: 79 records after the 437-byte header record.
constexpr size_t kRealRecordCount = 79;
constexpr size_t kRealHeaderLength = 437;

TEST(RecordWalk, DeliversEveryRecordOfTheRealPluginOnce) {
  FakeUi ui;
  const WalkResult walk = Walk(RealTestPath("all_types.esp"), ui);
  EXPECT_TRUE(walk.Outcome.Complete) << walk.Outcome.Problem;
  ASSERT_EQ(walk.Records.size(), kRealRecordCount);
  EXPECT_EQ(walk.Records.front().Type, "GMST");
  EXPECT_EQ(walk.Records.front().Size, 16u + 36u);
  EXPECT_EQ(walk.Records.front().Id, "fAIFleeFleeMult");
  EXPECT_EQ(walk.Records.back().Type, "INFO");
  EXPECT_EQ(walk.Records.back().Size, 16u + 458u);

  size_t total = kRealHeaderLength;
  for (const auto& r : walk.Records) total += r.Size;
  EXPECT_EQ(total, RealTestFile("all_types.esp").size());
  EXPECT_EQ(ui.Yields, static_cast<int>(kRealRecordCount)) << "one yield per record";
  ASSERT_FALSE(ui.FileProgress.empty());
  EXPECT_DOUBLE_EQ(ui.FileProgress.back(), ui.Shape2Width());
}

TEST(RecordWalk, DamagedFilesEndTheWalkWithoutAllocatingTheClaim) {
  const ByteString real = RealTestFile("all_types.esp");
  const struct {
    const char* name;
    ByteString bytes;
    size_t delivered;
  } cases[] = {
      {"empty file", "", 0},
      {"last record cut short", real.substr(0, real.size() - 1), kRealRecordCount - 1},
      {"shorter than a header", real.substr(0, 10), 0},
      {"header record size past the end", real.substr(0, 4) + LongToBytes(-16) + real.substr(8), 0},
      {"record size 0xFFFFFFF0",
       real.substr(0, kRealHeaderLength + 4) + LongToBytes(-16) +
           real.substr(kRealHeaderLength + 8),
       0},
      {"record size 2^31",
       real.substr(0, kRealHeaderLength + 4) + LongToBytes(INT32_MIN) +
           real.substr(kRealHeaderLength + 8),
       0},
  };
  for (const auto& c : cases) {
    const WalkResult walk = Walk(c.bytes);
    EXPECT_FALSE(walk.Outcome.Complete) << c.name;
    EXPECT_FALSE(walk.Outcome.Problem.empty()) << c.name;
    EXPECT_EQ(walk.Records.size(), c.delivered) << c.name;
  }
}

TEST(RecordWalk, RecordsStraddlingReadPiecesArriveWhole) {
  using namespace tes3;
  std::vector<ByteString> records;
  for (int n = 0; n < 3000; ++n) {
    records.push_back(
        Record("MISC", {Sub("NAME", Z(std::to_string(n))), Sub("DATA", ByteString(n % 700, 'x'))}));
  }
  // One record larger than a read piece.
  records.insert(records.begin() + 1500, Record("LAND", {Sub("VHGT", ByteString(3 << 20, 'y'))}));
  records.push_back(Record("EMPT", {}));
  TempDir dir;
  const ByteString file = File({}, records);
  const auto path = dir.Write("f.esp", file);
  FakeUi ui;
  std::vector<ByteString> seen;
  const WalkOutcome outcome = WalkRecords(path, static_cast<int64_t>(file.size()), 100, ui,
                                          [&](std::string_view type, const ByteString& record) {
                                            EXPECT_EQ(type, record.substr(0, 4));
                                            seen.push_back(record);
                                          });
  EXPECT_TRUE(outcome.Complete);
  EXPECT_EQ(seen, records);
}

TEST(RecordWalk, MissingFileIsReportedNotThrown) {
  FakeUi ui;
  const WalkOutcome outcome = WalkRecords("/nonexistent/quib/file.esp", 0, 0, ui,
                                          [](std::string_view, const ByteString&) {});
  EXPECT_FALSE(outcome.Complete);
}

}  // namespace
