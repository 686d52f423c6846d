#include "net/transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "net/bzip2_stream.h"
#include "protocol_fixture.h"

namespace {

using Strings = std::vector<std::string>;

// A's player presses "Transplant!": the start byte and the media list, as the export sends them.
void StartTransplant(Side& a) {
  a.peer.Send(ByteString(1, static_cast<char>(255)));
  a.peer.Send(MediaListMessage(ListText(a.media)));
}

bool NoTemporaryFiles(const Side& side) {
  return std::ranges::none_of(side.Files(), [](const auto& f) { return f.ends_with(".tmp"); });
}

struct Pair {
  Side a, b;
  Pair() {
    a.SetArena(Pattern(5000, 10));
    a.AddMedia("Meshes\\armor\\glass\\helm.nif", Pattern(80000, 11));
    a.AddMedia("Textures\\tx_glass.dds", Pattern(300000, 12));
    a.AddMedia("Icons\\a\\helm.tga", Pattern(700, 13));
    a.AddMedia("Meshes\\Mine.nif", Pattern(10, 14));
  }
};

TEST(TransferExchange, DeliversThePluginAndTheMissingMediaOnly) {
  Pair p;
  p.b.PutDataFile("icons/A/HELM.TGA", "mine");  // present under another letter case
  p.b.PutDataFile("Meshes/Mine.nif", "also mine");
  p.b.PutDataFile("textures/other.dds", "");  // new files go into this folder
  StartTransplant(p.a);
  Pump(p.a, p.b);

  EXPECT_EQ(p.b.DataFile("arena.esp"), p.a.media.ArenaPlugin);
  EXPECT_EQ(p.b.DataFile("Meshes/armor/glass/helm.nif"), Pattern(80000, 11));
  EXPECT_EQ(p.b.DataFile("textures/tx_glass.dds"), Pattern(300000, 12));
  EXPECT_FALSE(std::filesystem::exists(p.b.DataFiles() / "Textures"));
  EXPECT_EQ(p.b.DataFile("icons/A/HELM.TGA"), "mine");
  EXPECT_EQ(p.b.DataFile("Meshes/Mine.nif"), "also mine");
  EXPECT_FALSE(std::filesystem::exists(p.b.DataFiles() / "Icons"));
  EXPECT_EQ(p.b.ui.Label4, (Strings{"Receiving character media list.", "Sending file requests.",
                                    "Receiving character data.", "Unpacking media files."}));
  EXPECT_EQ(p.a.ui.Label4, (Strings{"Receiving file requests.", "Sending character data."}));
  EXPECT_EQ(p.b.ui.States, (Strings{"Busy", "Idle"}));
  EXPECT_TRUE(p.a.receiver.State().ServingRequests);
  EXPECT_TRUE(p.a.ui.Messages.empty());
  EXPECT_TRUE(p.b.ui.Messages.empty());
  EXPECT_TRUE(NoTemporaryFiles(p.a));
  EXPECT_TRUE(NoTemporaryFiles(p.b));
}

// A side that cannot take part still ends the exchange, so neither stays busy: the sender
// without room for its answer, the receiver without a game folder. Nothing is written.
TEST(TransferExchange, ASideThatCannotTakePartStillEndsTheExchange) {
  for (bool senderBlocked : {true, false}) {
    SCOPED_TRACE(senderBlocked ? "sender has no temporary file" : "receiver has no game folder");
    Pair p;
    if (senderBlocked) {
      p.a.paths.ProgramDir = (p.a.root.Path() / "gone").string();
    } else {
      p.b.paths.GameDir = kNotFound;
    }
    StartTransplant(p.a);
    Pump(p.a, p.b);
    EXPECT_EQ(p.b.ui.States, (Strings{"Busy", "Idle"}));
    EXPECT_TRUE(p.a.receiver.State().ServingRequests);  // its answer's end makes it idle
    EXPECT_TRUE(std::filesystem::is_empty(p.b.DataFiles()));
    EXPECT_FALSE(std::filesystem::exists(kNotFound));
    EXPECT_TRUE(NoTemporaryFiles(p.b));
    EXPECT_EQ((senderBlocked ? p.a : p.b).ui.Messages.size(), 1u);
    EXPECT_TRUE((senderBlocked ? p.b : p.a).ui.Messages.empty());
  }
}

TEST(TransferExchange, LinesTheSenderDoesNotHoldOrThatVanishedAreLeftOut) {
  Pair p;
  std::filesystem::remove(p.a.DataFiles() / "Textures" / "tx_glass.dds");
  p.a.receiver.ProcessArrival(Message(
      253, LongToBytes(0) + LongToBytes(2) + LongToBytes(2) + LongToBytes(1) + LongToBytes(99)));
  const ByteString body = p.a.TakeSent().substr(5);
  std::string list;
  ASSERT_EQ(DecompressBounded(body.substr(8, static_cast<size_t>(BytesToLong(body))),
                              static_cast<size_t>(BytesToLongAt(body, 4)), list),
            kBzOk);
  EXPECT_EQ(list, "arena.esp\t5000\r\n");
}

TEST(TransferExchange, ASenderWaitingOnAFullConnectionStopsWhenThePeerLeaves) {
  Pair p;
  p.a.peer.Queued = 5 << 20;  // more than the sender lets pile up
  int waits = 0;
  p.a.ui.OnYield = [&] {
    if (p.a.peer.Sent.empty()) return;  // still preparing the answer
    p.a.peer.Connected = false;
    if (++waits > 50) p.a.peer.Queued = 0;  // lets a sender that never looks come out
  };
  p.a.receiver.ProcessArrival(Message(253, LongToBytes(0) + LongToBytes(2)));
  EXPECT_LE(waits, 50) << "the sender kept waiting for a peer that had left";
  EXPECT_EQ(p.a.peer.Sent.size(), 1u) << "only the header went out";
}

// B answers A's media list; then a peer delivers whatever it likes.
struct Hostile {
  Side b;
  explicit Hostile(const std::string& list = "arena.esp\t3\r\nMeshes\\good.nif\t4\r\n") {
    b.receiver.ProcessArrival(ByteString(1, static_cast<char>(255)) + MediaListMessage(list));
    b.TakeSent();
  }
  // A normal transfer afterwards still works.
  void ExpectStillWorks() {
    Side a;
    a.SetArena("new plugin");
    a.AddMedia("Meshes\\later.nif", "later");
    StartTransplant(a);
    Pump(a, b);
    EXPECT_EQ(b.DataFile("arena.esp"), "new plugin");
    EXPECT_EQ(b.DataFile("Meshes/later.nif"), "later");
    EXPECT_TRUE(NoTemporaryFiles(b));
  }
};

TEST(TransferHostile, OnlyAskedForFilesUnderSafeNamesAreWrittenAndOffsetsHold) {
  Hostile h;
  const std::string list =
      "arena.esp\t3\r\n..\\..\\evil.nif\t2\r\nC:\\evil.nif\t2\r\n\\abs.nif\t2\r\n"
      "Sound\\x.wav\t2\r\nMeshes\\..\\..\\up.nif\t2\r\nMeshes\\notasked.nif\t2\r\n"
      "Meshes\\good.nif\t4\r\nMeshes\\good.nif\t2\r\n";
  const auto before = h.b.Files();
  h.b.receiver.ProcessArrival(
      Message(254, CharacterDataBody(list, "ESP" + ByteString(12, 'e') + "GOOD" + "zz")));
  std::set<std::string> added;
  for (const auto& f : h.b.Files()) {
    if (!before.contains(f)) added.insert(f);
  }
  EXPECT_EQ(added, (std::set<std::string>{"game/Data Files/arena.esp",
                                          "game/Data Files/Meshes/good.nif"}));
  EXPECT_EQ(h.b.DataFile("Meshes/good.nif"), "GOOD");
  EXPECT_EQ(h.b.ui.States.back(), "Idle");
  h.ExpectStillWorks();
}

// Lines of the delivered list that disagree with what B asked for: nothing is written past
// the size B was told, and after a size that cannot be read no offset can be trusted.
TEST(TransferHostile, DeliveredListsThatDisagreeWithTheAskedSizesWriteNoWrongBytes) {
  const struct {
    std::string list;
    ByteString contents;
  } cases[] = {
      {"arena.esp\t3\r\nMeshes\\good.nif\t6\r\n", "ESPGOODXY"},
      {"arena.esp\t3\r\nMeshes\\x.nif\tzz\r\nMeshes\\good.nif\t4\r\n", "ESPxxGOOD"},
  };
  for (const auto& c : cases) {
    Hostile h;
    h.b.receiver.ProcessArrival(Message(254, CharacterDataBody(c.list, c.contents)));
    EXPECT_EQ(h.b.DataFile("arena.esp"), "ESP") << c.list;
    EXPECT_FALSE(std::filesystem::exists(h.b.DataFiles() / "Meshes" / "good.nif")) << c.list;
    EXPECT_TRUE(NoTemporaryFiles(h.b));
  }
}

TEST(TransferHostile, ADamagedContentsStreamWritesNothing) {
  Hostile h;
  ByteString body = CharacterDataBody("arena.esp\t3\r\nMeshes\\good.nif\t4\r\n", "ESPGOOD");
  body[body.size() - 12] ^= 0x5A;
  h.b.receiver.ProcessArrival(Message(254, body));
  EXPECT_FALSE(h.b.ui.Messages.empty());
  EXPECT_EQ(h.b.ui.Messages.back().Title, "Compression Error");
  EXPECT_FALSE(std::filesystem::exists(h.b.DataFiles() / "arena.esp"));
  EXPECT_TRUE(NoTemporaryFiles(h.b));
  h.ExpectStillWorks();
}

TEST(TransferHostile, AShortContentsStreamWritesOnlyWholeFiles) {
  Hostile h;
  // The contents hold the plug-in and only half the mesh, though the list claims all of it.
  h.b.receiver.ProcessArrival(Message(
      254,
      RawCharacterDataBody("arena.esp\t3\r\nMeshes\\good.nif\t4\r\n", 8, Compressed("ESPGO"))));
  EXPECT_EQ(h.b.DataFile("arena.esp"), "ESP");
  EXPECT_FALSE(std::filesystem::exists(h.b.DataFiles() / "Meshes" / "good.nif"));
  EXPECT_EQ(h.b.ui.Messages.back().Text, "Insufficient memory");
  EXPECT_TRUE(NoTemporaryFiles(h.b));
}

TEST(TransferHostile, ClaimedLengthsOfTwoGigabytesAllocateNothing) {
  const ByteString twoGb = LongToBytes(0x7FFFFFFF);
  for (int type : {252, 253, 254}) {
    Hostile h;
    h.b.receiver.ProcessArrival(static_cast<char>(type) + twoGb + ByteString(100000, 'x'));
    EXPECT_EQ(h.b.receiver.State().MessagePayload.size(), 0u) << type;
    h.b.receiver.Reset();
    EXPECT_TRUE(NoTemporaryFiles(h.b));
    h.ExpectStillWorks();
  }
}

TEST(TransferHostile, UnpackedLengthsOfTwoGigabytesAreRefusedOrBounded) {
  {
    Hostile h;  // U of the media list
    h.b.receiver.ProcessArrival(Message(252, LongToBytes(0x7FFFFFFF) + Compressed("x")));
    EXPECT_EQ(h.b.ui.Messages.back().Text, "Insufficient memory");
    EXPECT_EQ(h.b.TakeSent(), Message(253, ""));
  }
  {
    Hostile h;  // a damaged media list: reported, and nothing is asked for
    ByteString packed = Compressed("arena.esp\t3\r\nMeshes\\a.nif\t4\r\n");
    packed[packed.size() / 2] ^= 0x21;
    h.b.receiver.ProcessArrival(Message(252, LongToBytes(29) + packed));
    EXPECT_EQ(h.b.ui.Messages.back().Title, "Compression Error");
    EXPECT_EQ(h.b.TakeSent(), Message(253, ""));
  }
  {
    Hostile h;  // a bomb under an F of 2 GB: decoding stops at what was asked for
    h.b.receiver.ProcessArrival(
        Message(254, RawCharacterDataBody("arena.esp\t3\r\nMeshes\\good.nif\t4\r\n", 0x7FFFFFFF,
                                          Compressed(ByteString(50'000'000, 'Q')))));
    EXPECT_EQ(h.b.DataFile("arena.esp"), "QQQ");
    EXPECT_EQ(h.b.DataFile("Meshes/good.nif"), "QQQQ");
    EXPECT_TRUE(NoTemporaryFiles(h.b));
  }
  {
    Hostile h;  // U of the delivered list
    const ByteString body = LongToBytes(14) + LongToBytes(0x7FFFFFFF) + Compressed("a\t1\r\n") +
                            LongToBytes(2) + Compressed("a");
    h.b.receiver.ProcessArrival(Message(254, body));
    EXPECT_FALSE(std::filesystem::exists(h.b.DataFiles() / "arena.esp"));
    h.ExpectStillWorks();
  }
}

TEST(TransferHostile, DataNobodyAskedForIsNotWritten) {
  Side b;  // no media list was answered
  b.receiver.ProcessArrival(
      Message(254, CharacterDataBody("arena.esp\t3\r\nMeshes\\x.nif\t1\r\n", "ESPx")));
  EXPECT_TRUE(b.Files().empty());
}

TEST(TransferHostile, RandomBytesNeitherCrashNorWriteOutsideDataFiles) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    Hostile h;
    std::mt19937 rng(seed);
    ByteString noise(1 << 20, '\0');
    for (auto& c : noise) c = static_cast<char>(rng());
    for (size_t at = 0; at < noise.size(); at += 1 + rng() % 70000) {
      h.b.receiver.ProcessArrival(noise.substr(at, 1 + rng() % 70000));
    }
    h.b.receiver.Reset();
    for (const auto& f : h.b.Files()) EXPECT_TRUE(f.starts_with("game/Data Files/")) << f;
    h.ExpectStillWorks();
  }
}

TEST(TransferReset, AConnectionClosedWhileUnpackingLeavesNothingBehind) {
  Pair p;
  p.b.ui.OnYield = [&] {
    if (p.b.ui.Label4.back() == "Unpacking media files.") p.b.receiver.Reset();
  };
  StartTransplant(p.a);
  Pump(p.a, p.b);
  EXPECT_FALSE(std::filesystem::exists(p.b.DataFiles() / "arena.esp"));
  EXPECT_TRUE(NoTemporaryFiles(p.b));
  EXPECT_EQ(p.b.ui.States, (Strings{"Busy"})) << "the link's closed handler shows Idle";
  EXPECT_FALSE(p.b.receiver.State().MessageTypeTaken);
}

}  // namespace
