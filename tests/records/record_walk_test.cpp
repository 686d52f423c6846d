#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"
#include "support/tes3_writer.h"

namespace {

using namespace tes3;

struct Walked {
  WalkOutcome outcome;
  std::vector<ByteString> records;
};

Walked Walk(const ByteString& file) {
  TempDir dir;
  const auto path = dir.Write("f.esp", file);
  FakeUi ui;
  Walked walked;
  walked.outcome = WalkRecords(path, static_cast<int64_t>(file.size()), 100, ui,
                               [&](std::string_view type, const ByteString& record) {
                                 EXPECT_EQ(type, record.substr(0, 4));
                                 walked.records.push_back(record);
                               });
  EXPECT_EQ(ui.Yields, static_cast<int>(walked.records.size()));
  return walked;
}

TEST(WalkRecords, DeliversEveryRecordAfterTheHeaderAcrossReadPieces) {
  std::vector<ByteString> records;
  // Small records around one larger than the read piece, and records that straddle the
  // piece boundaries.
  for (int n = 0; n < 3000; ++n)
    records.push_back(
        Record("MISC", {Sub("NAME", Z(std::to_string(n))), Sub("DATA", ByteString(n % 700, 'x'))}));
  records.insert(records.begin() + 1500, Record("LAND", {Sub("VHGT", ByteString(3 << 20, 'y'))}));
  records.push_back(Record("EMPT", {}));
  const Walked walked = Walk(File({}, records));
  EXPECT_TRUE(walked.outcome.Complete);
  EXPECT_EQ(walked.records, records);

  EXPECT_TRUE(Walk(File({}, {})).records.empty());
}

TEST(WalkRecords, DamagedFilesEndTheWalkAfterTheLastWholeRecord) {
  const ByteString a = Record("MISC", {Sub("NAME", Z("a"))});
  const ByteString b = Record("MISC", {Sub("NAME", Z("b"))});
  ByteString huge = b;
  huge.replace(4, 4, Int32(static_cast<int32_t>(0xFFFFFFF0)));
  const std::vector<std::pair<ByteString, std::string>> cases = {
      {File({}, {a, b}).substr(0, File({}, {a, b}).size() - 1), "record runs past the end"},
      {File({}, {a}) + "MIS", "ends inside a record header"},
      {File({}, {a}) + huge, "record size of 2^31 or more"},
  };
  for (const auto& [file, problem] : cases) {
    const Walked walked = Walk(file);
    EXPECT_FALSE(walked.outcome.Complete);
    EXPECT_EQ(walked.outcome.Problem, problem);
    EXPECT_THAT(walked.records, ::testing::ElementsAre(a));
  }
  EXPECT_FALSE(Walk(ByteString("TES3\xFF\xFF\xFF\x7F", 8) + ByteString(8, '\0')).outcome.Complete);
}

}  // namespace
