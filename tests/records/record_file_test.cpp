#include "records/record_file.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

using namespace tes3;

TEST(RecordAccess, FindSubrecordIsAPlainTextSearch) {
  const ByteString r = Record(
      "ARMO", {Sub("NAME", ByteString("xBNAMy\0", 7)), Sub("BNAM", ByteString("part\0", 5))});
  const size_t first = FindSubrecord(r, "BNAM");
  EXPECT_EQ(first, 25u) << "the tag inside the id is taken for a sub-record";
  EXPECT_EQ(FindSubrecord(r, "BNAM", first + 1), 31u);
  EXPECT_EQ(FindSubrecord(r, "bnam"), ByteString::npos) << "case-sensitive";
  EXPECT_EQ(FindSubrecord(r, "BNAM", r.size() + 5), ByteString::npos);
}

TEST(RecordAccess, IdsWithAndWithoutNulReplacementKeepsEveryLengthAndCutsAreClipped) {
  const ByteString r =
      Record("SPEL", {Sub("NAME", ByteString("fireball\0", 9)), Sub("FNAM", ByteString("F\0", 2))});
  EXPECT_EQ(RecordId(r, true), ByteString("fireball\0", 9));
  EXPECT_EQ(RecordId(r, false), "fireball");
  const ByteString replaced = ReplaceId(r, "Ab3dE9gH");
  EXPECT_EQ(replaced, r.substr(0, 24) + "Ab3dE9gH" + r.substr(32));
  EXPECT_EQ(RecordId(r.substr(0, 27), true), "fir");
  EXPECT_EQ(RecordId(ByteString("SPEL"), false), "");
  EXPECT_EQ(ReplaceId(ByteString("SPEL"), "x"), "SPEL");
}

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

std::time_t At(int year, int month, int day, int hour) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(FileDates, SortPutsTheNewestDayFirstAndOneDayAtDifferentHoursComparesEqual) {
  EXPECT_EQ(DayNumber(At(2024, 3, 1, 12)) - DayNumber(At(2024, 2, 28, 12)), 2) << "leap year";
  // Two plug-ins of one day compare equal: compared by the hour, these two would swap.
  std::vector<std::time_t> dates = {At(2022, 2, 2, 8), At(2022, 2, 2, 20), At(2022, 2, 3, 1),
                                    At(2022, 2, 1, 5), At(2019, 1, 1, 1)};
  std::vector<std::string> names = {"early.esp", "late.esp", "new.esp", "old.esp", "oldest"};
  SortByFileDate(dates, names, 0, 4);
  EXPECT_EQ(names,
            (std::vector<std::string>{"new.esp", "early.esp", "late.esp", "old.esp", "oldest"}));
  EXPECT_EQ(dates[0], At(2022, 2, 3, 1)) << "dates move with their names";
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
  EXPECT_EQ(walk.ui.Yields, static_cast<int>(kRealRecordCount)) << "one yield per record";
  ASSERT_FALSE(walk.ui.FileProgress.empty());
  EXPECT_DOUBLE_EQ(walk.ui.FileProgress.back(), walk.ui.Shape2Width());
}

TEST(RecordWalk, DamagedFilesEndTheWalkWithoutAllocatingTheClaim) {
  const ByteString real = RealTestFile("all_types.esp");
  const auto sized = [&](int32_t size) {
    return real.substr(0, kRealHeaderLength + 4) + LongToBytes(size) +
           real.substr(kRealHeaderLength + 8);
  };
  const struct {
    const char* name;
    ByteString bytes;
    size_t delivered;
  } cases[] = {
      {"empty file", "", 0},
      {"last record cut short", real.substr(0, real.size() - 1), kRealRecordCount - 1},
      {"shorter than a header", real.substr(0, 10), 0},
      {"header record size past the end", real.substr(0, 4) + LongToBytes(-16) + real.substr(8), 0},
      {"record size 0xFFFFFFF0", sized(-16), 0},
      {"record size 2^31", sized(INT32_MIN), 0},
  };
  for (const auto& c : cases) {
    const WalkResult walk = Walk(c.bytes);
    EXPECT_FALSE(walk.Outcome.Complete || walk.Outcome.Problem.empty()) << c.name;
    EXPECT_EQ(walk.Records.size(), c.delivered) << c.name;
  }
  FakeUi ui;
  EXPECT_FALSE(
      WalkRecords("/nonexistent/quib/file.esp", 0, 0, ui, [](std::string_view, const ByteString&) {
      }).Complete);
}

TEST(RecordWalk, RecordsStraddlingReadPiecesArriveWhole) {
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
}

}  // namespace
