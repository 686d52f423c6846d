#include <gtest/gtest.h>

#include <filesystem>

#include "bridge/bridge.h"
#include "net/bytes.h"
#include "support/temp_dir.h"

namespace {

const ByteString kSet16(
    "\x03\0\0\0\x2D\0\0\0\0\0\x48\x41"
    "foo\0",
    16);

TEST(WriteVarFile, WritesCountAndValueWithoutTruncating) {
  TempDir game;
  game.Write("Data Files/MWSE/remotepc", LongToBytes(1));
  WriteVarFile(game.Path().string(), kSet16, "hpval", 1);
  EXPECT_EQ(game.Read("Data Files/MWSE/hpval"), LongToBytes(1) + kSet16);

  const ByteString shorter = LongToBytes(1) + LongToBytes(7);
  WriteVarFile(game.Path().string(), shorter, "hpval", 2);
  EXPECT_EQ(game.Read("Data Files/MWSE/hpval"), LongToBytes(2) + shorter + kSet16.substr(8));

  // Trailing spaces and dots are dropped from the file name, as Windows does.
  WriteVarFile(game.Path().string(), shorter, "hp. .", 3);
  EXPECT_EQ(game.Read("Data Files/MWSE/hp"), LongToBytes(3) + shorter);
}

TEST(WriteVarFile, FindsTheFolderWithoutRegardToCaseAndNeverCreatesIt) {
  TempDir game;
  WriteVarFile(game.Path().string(), kSet16, "hpval", 1);
  EXPECT_FALSE(std::filesystem::exists(game.Path() / "Data Files"));

  game.Write("data files/mwse/remotepc", LongToBytes(0));
  WriteVarFile(game.Path().string(), kSet16, "hpval", 1);
  EXPECT_EQ(game.Read("data files/mwse/hpval"), LongToBytes(1) + kSet16);
}

TEST(WriteVarFile, RefusesKeysThatAreNotPlainFileNames) {
  TempDir game;
  game.Write("Data Files/MWSE/remotepc", LongToBytes(0));
  game.Write("Data Files/keep", "old");
  const std::string keys[] = {"../keep", "..",  ".",        "",       " . ",
                              "...",     "a/b", "..\\keep", "a\x01z", std::string("ab\0cd", 5),
                              "\x7f"};
  for (const auto& key : keys) WriteVarFile(game.Path().string(), kSet16, key, 1);

  EXPECT_EQ(game.Read("Data Files/keep"), "old");
  const std::filesystem::recursive_directory_iterator all(game.Path());
  EXPECT_EQ(std::distance(begin(all), end(all)), 4);  // Data Files, keep, MWSE, remotepc
}

}  // namespace
