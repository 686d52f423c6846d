// Two windows link, values written into one game's script-extender log arrive as the other
// game's variable file, and the window left when the other ends listens again.
#include <fstream>

#include "bridge/relay_tables.h"
#include "e2e/two_copies.h"
#include "net/bytes.h"

namespace {

using namespace e2e;

const ByteString kTail = "values the relay keeps";
// The set of "45|12.5|Sfoo|": three fields, 45, 12.5 as a single, "foo" with its NUL.
const ByteString kFirstSet =
    ByteString("\3\0\0\0\x2D\0\0\0\0\0\x48\x41", 12) + ByteString("foo", 4);
const ByteString kSecondSet =  // "46|2.5|Sbar|"
    ByteString("\3\0\0\0\x2E\0\0\0\0\0\x20\x40", 12) + ByteString("bar", 4);

// A dials B through a tap.
class LinkEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    for (Copy* copy : {&a, &b})
      copy->WriteGameFile("Data Files/MWSE/remotepc", ByteString(4, '\x09') + kTail);
    tap = OpenThroughTap(a, b);
    b.world.Program.Write("Opponent.dat", "an older peer, longer");  // its boxes name A
    ASSERT_TRUE(Connect(a, b));
  }
  // What in-game scripts do: append a line to A's log.
  void Log(const std::string& line) {
    std::ofstream(a.GamePathOf("\\MWScriptExtender.log"), std::ios::binary | std::ios::app) << line;
  }
  // Waits (a few Timer2 ticks at most) until B's variable file holds `bytes`.
  bool Arrives(const ByteString& bytes) {
    return QTest::qWaitFor(
        [&] { return ReadWholeFile(b.GamePathOf("\\Data Files\\MWSE\\hpval")) == bytes; }, 20000);
  }
  // Listening (yellow, link word 0) or connected (green, link word 1), the relay's tail kept.
  static void Expect(Copy& copy, bool connected) {
    EXPECT_EQ(copy.Control("Drop1")->palette().color(QPalette::Window),
              connected ? QColor(0, 255, 0) : QColor(255, 255, 0));
    EXPECT_EQ(ReadWholeFile(copy.GamePathOf("\\Data Files\\MWSE\\remotepc")),
              LongToBytes(connected) + kTail);
    EXPECT_EQ(copy.window->Link().IsListening(), !connected);
  }

  Copy a, b;
  std::unique_ptr<WireTap> tap;
};

// Both know the other as their last peer; a value is registered on first use, then sent on
// the channel B assigned. When A's program ends, B goes back to listening.
TEST_F(LinkEndToEnd, TwoWindowsLinkRelayValuesAndTheOneLeftListensAgain) {
  for (Copy* copy : {&a, &b}) {
    Expect(*copy, true);
    EXPECT_EQ(copy->world.Program.Read("Opponent.dat"), ByteString("\x7F\x00\x00\x01", 4));
    EXPECT_FALSE(copy->Control("cmdPlay")->isHidden());
  }
  Log("game text before\nQUIB::hpval 45|12.5|Sfoo|\n");
  ASSERT_TRUE(Arrives(LongToBytes(1) + kFirstSet));
  // B's channel reply reaches A's table; the next set, written in two pieces, uses it.
  const RelayTables& relay = a.window->Relay();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return relay.OutVarCount == 1 && relay.OutVars[0].Channel == 0; }));
  Log("QUIB::hpval 46|2.5|");
  Log("Sbar|\n");
  ASSERT_TRUE(Arrives(LongToBytes(2) + kSecondSet));
  a.window->EndProgram();
  ASSERT_TRUE(QTest::qWaitFor([&] { return b.Listening(); }));
  Expect(b, false);
  EXPECT_TRUE(a.world.Messages.empty() && b.world.Messages.empty());
}

}  // namespace
