#include "net/receiver.h"

#include <gtest/gtest.h>

#include "protocol_fixture.h"

namespace {

ByteString VarRegister(const std::string& key, const ByteString& value) {
  return B({251}) + key + ShortToBytes(static_cast<int32_t>(value.size())) + value;
}
ByteString VarValue(int channel, const ByteString& value) {
  return B({channel}) + ShortToBytes(static_cast<int32_t>(value.size())) + value;
}
ByteString VarChannel(int channel, const std::string& key) { return B({250, channel}) + key; }

// Everything a side shows, sends and writes, for comparing runs.
struct Outcome {
  std::vector<Side::VarCall> calls;
  ByteString sent, arena, mesh;
  std::vector<std::string> label4;
  std::vector<int32_t> counts;
  std::vector<int> outChannels;
  std::set<std::string> files;
  bool operator==(const Outcome&) const = default;
};

Outcome Observe(Side& side) {
  Outcome o{side.varCalls,
            side.TakeSent(),
            side.DataFile("arena.esp"),
            side.DataFile("Meshes/new/deep/a.nif"),
            side.ui.Label4,
            side.relay.VarCounts,
            {},
            side.Files()};
  for (const auto& v : side.relay.OutVars) o.outChannels.push_back(v.Channel);
  return o;
}

void PrepareOutVars(Side& side) {
  side.relay.OutVars.resize(2);
  side.relay.OutVars[0].Key = "OUT01";
  side.relay.OutVars[1].Key = "OUT02";
  side.relay.OutVarCount = 2;
}

// Relay traffic and a whole transfer to this side, as one byte stream.
ByteString Conversation() {
  const std::string list = "arena.esp\t30\r\nMeshes\\new\\deep\\a.nif\t20\r\n";
  return VarRegister("ABCDE", "v1") + VarRegister("FGHIJ", "") + VarValue(0, ByteString(300, 'q')) +
         VarChannel(3, "OUT02") + VarRegister("ABCDE", "v3") + VarValue(7, "unknown") + B({255}) +
         MediaListMessage(list) + VarValue(1, "w") +
         Message(254, CharacterDataBody(list, Pattern(30, 1) + Pattern(20, 2))) +
         VarValue(0, "last");
}

Outcome RunSplit(const ByteString& conversation, const std::vector<size_t>& cuts) {
  Side side;
  PrepareOutVars(side);
  size_t from = 0;
  for (size_t cut : cuts) {
    side.receiver.ProcessArrival(conversation.substr(from, cut - from));
    from = cut;
  }
  side.receiver.ProcessArrival(conversation.substr(from));
  EXPECT_TRUE(side.receiver.State().ReceiveBuffer.empty());
  return Observe(side);
}

TEST(ReceiverSplits, EverySplitOfAConversationGivesTheSameResult) {
  const ByteString conversation = Conversation();
  const Outcome whole = RunSplit(conversation, {});
  // A key is answered once; one registered with an empty value gets no call.
  EXPECT_EQ(whole.calls, (std::vector<Side::VarCall>{{"ABCDE", "v1", 1},
                                                     {"ABCDE", ByteString(300, 'q'), 2},
                                                     {"ABCDE", "v3", 3},
                                                     {"FGHIJ", "w", 1},
                                                     {"ABCDE", "last", 4}}));
  EXPECT_EQ(whole.sent.substr(0, 15), B({250, 0}) + "ABCDE" + B({250, 1}) + "FGHIJ" + B({253}));
  EXPECT_EQ(whole.mesh, Pattern(20, 2));
  EXPECT_EQ(whole.arena, Pattern(30, 1));
  EXPECT_EQ(whole.outChannels, (std::vector<int>{kNoChannel, 3}));
  for (size_t cut = 1; cut < conversation.size(); ++cut) {
    ASSERT_EQ(RunSplit(conversation, {cut}), whole) << "split at " << cut;
  }
  std::vector<size_t> everyByte;
  for (size_t i = 1; i < conversation.size(); ++i) everyByte.push_back(i);
  EXPECT_EQ(RunSplit(conversation, everyByte), whole);
}

TEST(ReceiverRelay, KeysPastTheLastChannelAndUnknownChannelsAreSkippedWithTheirBodies) {
  Side side;
  ByteString keys;
  for (int i = 0; i < 300; ++i) {
    char key[6];
    std::snprintf(key, sizeof key, "K%04d", i);
    keys += VarRegister(key, "v");
  }
  side.receiver.ProcessArrival(keys + VarValue(200, "x") + VarValue(0, "after"));
  EXPECT_EQ(side.relay.VarNameCount, 250);
  EXPECT_EQ(side.TakeSent().size(), 250u * 7);
  EXPECT_EQ(side.varCalls.size(), 252u);
  EXPECT_EQ(side.varCalls.back(), (Side::VarCall{"K0000", "after", 2}));
}

TEST(ReceiverFraming, ZeroAndNegativeLengthsCompleteSilently) {
  Side side;
  side.receiver.ProcessArrival(B({252, 0, 0, 0, 0}) + B({253, 0xFF, 0xFF, 0xFF, 0xFF}) +
                               B({254, 0, 0, 0, 0x80}) + VarRegister("ABCDE", "ok"));
  EXPECT_EQ(side.varCalls.size(), 1u);
  EXPECT_EQ(side.TakeSent(), B({250, 0}) + "ABCDE");
  EXPECT_EQ(side.Files().size(), 0u) << "no temporary file is left";
}

TEST(ReceiverFraming, ACharacterBodyIsStreamedPartByPartWithProgress) {
  Side side;
  const ByteString body(1 << 20, 'c');
  const ByteString message = Message(254, body);
  size_t most = 0;
  for (size_t at = 0; at < message.size(); at += 8192) {
    side.receiver.ProcessArrival(message.substr(at, 8192));
    const ReceiveState& s = side.receiver.State();
    most = std::max({most, s.MessagePayload.size(), s.ReceiveBuffer.size()});
  }
  EXPECT_EQ(most, 0u) << "every part goes to the file at once";
  const auto& p = side.ui.FileProgress;
  ASSERT_GT(p.size(), 100u);
  EXPECT_NEAR(p[p.size() / 2], 4455.0 / 2, 50);
  EXPECT_EQ(p.back(), 4455.0);
  EXPECT_EQ(side.Files().size(), 0u);
}

TEST(ReceiverGuard, ArrivalsDuringAYieldAreProcessedAfterwardsInOrder) {
  Side side;
  int nested = 0;
  side.ui.OnYield = [&] {
    if (nested++ == 0) side.receiver.ProcessArrival(VarValue(0, "second"));
  };
  side.receiver.ProcessArrival(VarRegister("ABCDE", "first"));
  ASSERT_EQ(side.varCalls.size(), 2u);
  EXPECT_EQ(side.varCalls[1], (Side::VarCall{"ABCDE", "second", 2}));
}

TEST(ReceiverReset, ReturnsToIdleAndRemovesTheTemporaryFile) {
  Side side;
  side.receiver.ProcessArrival(B({255}) + Message(254, ByteString(5000, 'x')).substr(0, 3000));
  EXPECT_EQ(side.Files().size(), 1u);
  side.receiver.Reset();
  EXPECT_EQ(side.Files().size(), 0u);
  EXPECT_FALSE(side.receiver.State().PayloadPending);
  side.receiver.ProcessArrival(VarRegister("ABCDE", "fresh"));
  EXPECT_EQ(side.varCalls.size(), 1u);

  // A reset that comes while an arrival yields drops the rest of that arrival.
  side.ui.OnYield = [&] { side.receiver.Reset(); };
  side.receiver.ProcessArrival(B({255}) + VarValue(0, "dropped"));
  side.ui.OnYield = nullptr;
  side.receiver.ProcessArrival(VarValue(0, "kept"));
  EXPECT_EQ(side.varCalls.back(), (Side::VarCall{"ABCDE", "kept", 2}));
}

}  // namespace
