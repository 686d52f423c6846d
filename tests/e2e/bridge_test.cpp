// Values written into one game's script-extender log arrive as the other game's variable file.
#include <fstream>

#include "bridge/relay_tables.h"
#include "e2e/two_copies.h"
#include "net/bytes.h"

namespace {

using namespace e2e;

ByteString Bytes(std::initializer_list<uint8_t> values) {
  ByteString bytes;
  for (uint8_t v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

const ByteString kConnected = Bytes({1, 0, 0, 0});
// The set of "45|12.5|Sfoo|": three fields, 45, 12.5 as a single, "foo" with its NUL.
const ByteString kFirstSet =
    Bytes({3, 0, 0, 0, 0x2D, 0, 0, 0, 0, 0, 0x48, 0x41}) + ByteString("foo", 4);
// "46|2.5|Sbar|".
const ByteString kSecondSet =
    Bytes({3, 0, 0, 0, 0x2E, 0, 0, 0, 0, 0, 0x20, 0x40}) + ByteString("bar", 4);
class BridgeEndToEnd : public TappedPair {
 protected:
  void SetUp() override { OpenAndConnect(); }

  // What in-game scripts do: append a line to A's log.
  void Log(const std::string& line) {
    std::ofstream log(a.GamePathOf("\\MWScriptExtender.log"), std::ios::binary | std::ios::app);
    log << line;
  }
  ByteString VarFile(const char* key) {
    return ReadWholeFile(b.GamePathOf(std::string("\\Data Files\\MWSE\\") + key)).value_or("");
  }
  // Waits (a few Timer2 ticks at most) until B's variable file holds `bytes`.
  bool Arrives(const char* key, const ByteString& bytes) {
    return QTest::qWaitFor([&] { return VarFile(key) == bytes; }, 20000);
  }
};

// The worked example: registered on first use, then sent on the channel B assigned.
TEST_F(BridgeEndToEnd, ALogLineBecomesThePeersVariableFile) {
  EXPECT_EQ(a.LinkWord(), kConnected);
  EXPECT_EQ(b.LinkWord(), kConnected);

  Log("game text before\nQUIB::hpval 45|12.5|Sfoo|\n");
  ASSERT_TRUE(Arrives("hpval", LongToBytes(1) + kFirstSet)) << VarFile("hpval").size();
  EXPECT_EQ(tap->FromDialler, "\xFBhpval" + Bytes({16, 0}) + kFirstSet);

  // B's channel reply reaches A's table; the next set travels on that channel.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    const RelayTables& relay = a.window->Relay();
    return relay.OutVarCount == 1 && relay.OutVars[0].Channel == 0;
  }));
  EXPECT_EQ(tap->FromListener, "\xFA" + Bytes({0}) + "hpval");
  EXPECT_EQ(a.window->Relay().OutVars[0].Key, "hpval");

  Log("QUIB::hpval 46|2.5|");
  Log("Sbar|\n");
  ASSERT_TRUE(Arrives("hpval", LongToBytes(2) + kSecondSet));
  EXPECT_EQ(tap->FromDialler,
            "\xFBhpval" + Bytes({16, 0}) + kFirstSet + Bytes({0, 16, 0}) + kSecondSet);
  EXPECT_EQ(b.window->Relay().VarNameCount, 1);
  EXPECT_TRUE(a.world.Messages.empty());
  EXPECT_TRUE(b.world.Messages.empty());
}

}  // namespace
