#include "bridge/bridge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <vector>

#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "net/bytes.h"
#include "platform/files.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

ByteString Int(int32_t n) { return LongToBytes(n); }
ByteString Text(const std::string& s) { return s + ByteString(1, '\0'); }

// The set value of the given encoded fields.
ByteString Set(std::initializer_list<ByteString> fields) {
  ByteString value = LongToBytes(static_cast<int32_t>(fields.size()));
  for (const auto& f : fields) value += f;
  return value;
}

// A VarRegister message, as sent before the peer assigns a channel.
ByteString Register(const std::string& key, const ByteString& value) {
  return "\xFB" + key + ShortToBytes(static_cast<int32_t>(value.size())) + value;
}

// A game folder with a log, a bridge over it and a peer that records what is sent.
struct Harness {
  Harness() { paths.GameDir = game.Path().string(); }

  void AppendLog(const ByteString& text) {
    std::ofstream(game.Path() / "MWScriptExtender.log", std::ios::binary | std::ios::app) << text;
  }
  // Appends each text and ticks after each; returns what the last tick sent.
  ByteString TickAfter(const std::vector<ByteString>& texts) {
    for (const auto& text : texts) {
      peer.Sent.clear();
      AppendLog(text);
      bridge.Tick();
    }
    EXPECT_LE(peer.Sent.size(), 1u);
    return peer.AllSent();
  }

  TempDir game;
  AppPaths paths;
  RelayTables relay;
  FakePeer peer;
  Bridge bridge{paths, relay, peer};
};

class BridgeTest : public ::testing::Test, public Harness {};

struct SetCase {
  const char* Name;
  std::vector<ByteString> Ticks;  // log text appended before each tick
  ByteString LastTickSends;
};

TEST_F(BridgeTest, SetRules) {
  const SetCase cases[] = {
      {"continuing lines",
       {"QUIB::abcde 1~2~\n", "QUIB::abcde 3|\n"},
       Register("abcde", Set({Int(1), Int(2), Int(3)}))},
      {"empty field keeps a text",
       {"QUIB::abcde Stext|\n", "QUIB::abcde |\n"},
       Register("abcde", Set({Text("text")}))},
      {"empty field after a number",
       {"QUIB::abcde 5|\n", "QUIB::abcde |\n"},
       Register("abcde", Set({Int(0)}))},
      {"last line of a key counts",
       {"QUIB::abcde 1|\nQUIB::abcde 2|\n"},
       Register("abcde", Set({Int(2)}))},
      {"completed then continued", {"QUIB::abcde 1|\nQUIB::abcde 2~\n"}, ""},
      {"incomplete line waits", {"QUIB::abcde 4", "2|\n"}, Register("abcde", Set({Int(42)}))},
      {"marker split across ticks",
       {"noise QUI", "B::abcde 6|\n"},
       Register("abcde", Set({Int(6)}))},
      {"CR ending is not sent", {"QUIB::abcde 1|\r\n"}, ""},
      {"any skipped character, spaces trimmed",
       {"QUIB::abcdeX  5.5|  \n"},
       Register("abcde", Set({SingleToBytes(5.5f)}))},
      {"short and empty lines ignored",
       {"QUIB::abcde 1|\nQUIB::ab\nQUIB::abcde    \n"},
       Register("abcde", Set({Int(1)}))},
      {"two keys in one send",
       {"QUIB::aaaaa 1|\nQUIB::bbbbb Sx|\n"},
       Register("aaaaa", Set({Int(1)})) + Register("bbbbb", Set({Text("x")}))},
      {"set too long for its length", {"QUIB::abcde S" + ByteString(70000, 'x') + "|\n"}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Harness().TickAfter(c.Ticks), c.LastTickSends) << c.Name;
  }
}

TEST_F(BridgeTest, RecreatedLogPullsTheOffsetDown) {
  TickAfter({std::string(100, 'x') + "\n"});
  std::filesystem::remove(game.Path() / "MWScriptExtender.log");
  // Written into the new log below the old offset: skipped.
  EXPECT_EQ(TickAfter({"QUIB::abcde 1|\n"}), "");
  EXPECT_EQ(TickAfter({"QUIB::abcde 2|\n"}), Register("abcde", Set({Int(2)})));
}

TEST_F(BridgeTest, SetsCompletedWhileDisconnectedAreDroppedAndANewTableRegistersAgain) {
  peer.Connected = false;
  TickAfter({"QUIB::abcde 1|\n"});
  peer.Connected = true;
  EXPECT_EQ(TickAfter({"QUIB::other 2~\n"}), "");
  EXPECT_EQ(relay.OutVarCount, 2);
  relay.OutVars[0].Channel = 3;  // the peer's channel for it
  EXPECT_EQ(TickAfter({"QUIB::abcde 5|\n"}), "\x03" + ShortToBytes(8) + Set({Int(5)}));
  relay.OutVarCount = 0;  // the listener restarted
  EXPECT_EQ(TickAfter({"QUIB::abcde 2|\n"}), Register("abcde", Set({Int(2)})));
}

TEST_F(BridgeTest, KeysBeyondTwoHundredFiftyAreNotSent) {
  ByteString lines;
  for (int k = 0; k < 260; ++k) lines += "QUIB::k" + std::to_string(1000 + k) + " 1|\n";
  const ByteString sent = TickAfter({lines});
  EXPECT_EQ(relay.OutVarCount, 250);
  EXPECT_NE(sent.find("k1249"), std::string::npos);
  EXPECT_EQ(sent.find("k1250"), std::string::npos);
}

TEST_F(BridgeTest, FieldPositionsStopWhereNoSetCouldBeSent) {
  EXPECT_EQ(TickAfter({"QUIB::abcde " + ByteString(100000, '|') + "\n"}), "");
  EXPECT_EQ(relay.OutVars[0].Values.size(), 65532u);
  EXPECT_EQ(TickAfter({"QUIB::abcde 1|\n"}), Register("abcde", Set({Int(1)})));
}

TEST_F(BridgeTest, TextWithoutMarkersDoesNotPileUp) {
  TickAfter({ByteString(3u << 20, 'x') + "QUIB:"});
  EXPECT_LE(bridge.BufferedBytes(), 5u);
  EXPECT_EQ(TickAfter({":abcde 1|\n"}), Register("abcde", Set({Int(1)})));
  EXPECT_EQ(bridge.BufferedBytes(), 0u);
}

TEST_F(BridgeTest, OverlongUnfinishedLineIsDroppedUpToItsLineFeed) {
  TickAfter({"QUIB::abcde 1|" + ByteString(2u << 20, 'x')});
  EXPECT_LT(bridge.BufferedBytes(), 16u);
  EXPECT_EQ(TickAfter({"QUIB::abcde 2|\nQUIB::abcde 3|\n"}), Register("abcde", Set({Int(3)})));
}

TEST_F(BridgeTest, LargeGrowthIsReadInPiecesWithLinesAcrossPieceBoundaries) {
  // 4 MiB is the read piece; put marker lines across the first two boundaries.
  ByteString log(10u << 20, 'x');
  const ByteString a = "\nQUIB::aaaaa 1|\n", b = "\nQUIB::bbbbb 2|\n";
  log.replace((4u << 20) - 8, a.size(), a);
  log.replace((8u << 20) - 3, b.size(), b);
  EXPECT_EQ(TickAfter({log}), Register("aaaaa", Set({Int(1)})) + Register("bbbbb", Set({Int(2)})));
}

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
