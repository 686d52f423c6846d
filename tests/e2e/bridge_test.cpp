// Values written into one game's script-extender log arrive as the other game's variable file.
#include <fstream>

#include "bridge/relay_tables.h"
#include "e2e/two_copies.h"
#include "net/bytes.h"

namespace {

using namespace e2e;

// The set of "45|12.5|Sfoo|": three fields, 45, 12.5 as a single, "foo" with its NUL.
const ByteString kFirstSet =
    ByteString("\3\0\0\0\x2D\0\0\0\0\0\x48\x41", 12) + ByteString("foo", 4);
const ByteString kSecondSet =  // "46|2.5|Sbar|"
    ByteString("\3\0\0\0\x2E\0\0\0\0\0\x20\x40", 12) + ByteString("bar", 4);

class BridgeEndToEnd : public TappedPair {
 protected:
  void SetUp() override { OpenAndConnect(); }
  // What in-game scripts do: append a line to A's log.
  void Log(const std::string& line) {
    std::ofstream(a.GamePathOf("\\MWScriptExtender.log"), std::ios::binary | std::ios::app) << line;
  }
  // Waits (a few Timer2 ticks at most) until B's variable file holds `bytes`.
  bool Arrives(const ByteString& bytes) {
    return QTest::qWaitFor(
        [&] { return ReadWholeFile(b.GamePathOf("\\Data Files\\MWSE\\hpval")) == bytes; }, 20000);
  }
};

// Registered on first use, then sent on the channel B assigned.
TEST_F(BridgeEndToEnd, ALogLineBecomesThePeersVariableFile) {
  Log("game text before\nQUIB::hpval 45|12.5|Sfoo|\n");
  ASSERT_TRUE(Arrives(LongToBytes(1) + kFirstSet));
  // B's channel reply reaches A's table; the next set, written in two pieces, uses it.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.window->Relay().OutVarCount == 1; }));
  EXPECT_EQ(a.window->Relay().OutVars[0].Key, "hpval");
  Log("QUIB::hpval 46|2.5|");
  Log("Sbar|\n");
  ASSERT_TRUE(Arrives(LongToBytes(2) + kSecondSet));
  EXPECT_TRUE(a.world.Messages.empty() && b.world.Messages.empty());
}

}  // namespace
