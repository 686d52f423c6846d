#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "fixtures/tes3_writer.h"
#include "records/record_file.h"

namespace {

using tes3::Record;
using tes3::Sub;

TEST(RecordAccess, FindSubrecordIsAPlainTextSearch) {
  const ByteString r = Record(
      "ARMO", {Sub("NAME", ByteString("xBNAMy\0", 7)), Sub("BNAM", ByteString("part\0", 5))});
  const size_t first = FindSubrecord(r, "BNAM");
  EXPECT_EQ(first, 25u) << "the tag inside the id is taken for a sub-record";
  EXPECT_EQ(FindSubrecord(r, "BNAM", first + 1), 31u);
  EXPECT_EQ(FindSubrecord(r, "BNAM", 32), ByteString::npos);
  EXPECT_EQ(FindSubrecord(r, "bnam"), ByteString::npos) << "case-sensitive";
  EXPECT_EQ(FindSubrecord(r, "BNAM", r.size() + 5), ByteString::npos);
}

TEST(RecordAccess, IdsWithAndWithoutNulAndReplacementKeepsEveryLength) {
  const ByteString r =
      Record("SPEL", {Sub("NAME", ByteString("fireball\0", 9)), Sub("FNAM", ByteString("F\0", 2))});
  EXPECT_EQ(RecordId(r, true), ByteString("fireball\0", 9));
  EXPECT_EQ(RecordId(r, false), "fireball");

  const ByteString replaced = ReplaceId(r, "Ab3dE9gH");
  EXPECT_EQ(replaced.size(), r.size());
  EXPECT_EQ(RecordId(replaced, false), "Ab3dE9gH");
  EXPECT_EQ(replaced.substr(0, 24), r.substr(0, 24)) << "header and id size untouched";
  EXPECT_EQ(replaced.substr(32), r.substr(32)) << "the NUL and the rest untouched";
}

TEST(RecordAccess, IdOfATruncatedRecordIsClipped) {
  ByteString r = Record("SPEL", {Sub("NAME", ByteString("fireball\0", 9))});
  r.resize(27);
  EXPECT_EQ(RecordId(r, true), "fir");
  EXPECT_EQ(RecordId(ByteString("SPEL"), false), "");
  EXPECT_EQ(ReplaceId(ByteString("SPEL"), "x"), "SPEL");
}

TEST(RandomNames, LengthAndAlphabet) {
  NameGenerator names;
  EXPECT_EQ(names.RandomName(""), "");
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string name = names.RandomName("12345");
    ASSERT_EQ(name.size(), 5u);
    for (char c : name) EXPECT_NE(alphabet.find(c), std::string::npos) << name;
    seen.insert(name);
  }
  EXPECT_GT(seen.size(), 45u) << "names drawn in the same second still differ";
  EXPECT_EQ(names.RandomName(std::string(300, 'x')).size(), 300u);
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

TEST(FileDates, DayNumberDropsTheTimeOfDay) {
  EXPECT_EQ(DayNumber(At(2026, 3, 1, 0)), DayNumber(At(2026, 3, 1, 23)));
  EXPECT_EQ(DayNumber(At(2026, 3, 1, 12)) - DayNumber(At(2026, 2, 28, 12)), 1);
  EXPECT_EQ(DayNumber(At(2024, 3, 1, 12)) - DayNumber(At(2024, 2, 28, 12)), 2) << "leap year";
}

TEST(FileDates, SortPutsTheNewestDayFirstAndOneDayAtDifferentHoursComparesEqual) {
  std::vector<std::time_t> dates = {At(2020, 1, 1, 9), At(2023, 5, 5, 9), At(2021, 7, 7, 9),
                                    At(2022, 2, 2, 9)};
  std::vector<std::string> names = {"a.esp", "d.esp", "b.esp", "c.esp"};
  SortByFileDate(dates, names, 0, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"d.esp", "c.esp", "b.esp", "a.esp"}));
  EXPECT_EQ(dates[0], At(2023, 5, 5, 9)) << "dates move with their names";

  // Two plug-ins of one day compare equal: compared by the hour, these two would swap.
  dates = {At(2022, 2, 2, 8), At(2022, 2, 2, 20), At(2022, 2, 3, 1), At(2022, 2, 1, 5)};
  names = {"early.esp", "late.esp", "new.esp", "old.esp"};
  SortByFileDate(dates, names, 0, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"new.esp", "early.esp", "late.esp", "old.esp"}));
}

}  // namespace
