#include "net/transfer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "media/collect_media.h"
#include "net/bzip2_stream.h"
#include "platform/path_text.h"
#include "protocol_fixture.h"

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// A's player presses "Transplant!": the start byte and the media list, as the export sends them.
void StartTransplant(Side& a) {
  a.peer.Send(B({255}));
  a.peer.Send(MediaListMessage(a.media));
}

using Kind = TransplantOutcome::Kind;

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
  EXPECT_EQ(p.b.DataFile("icons/A/HELM.TGA"), "mine");
  EXPECT_EQ(p.b.DataFile("Meshes/Mine.nif"), "also mine");
  EXPECT_EQ(p.b.Files().size(), 6u) << "nothing doubled under another letter case";
  EXPECT_EQ(p.b.ui.Label4, (Strings{"Receiving character media list.", "Sending file requests.",
                                    "Receiving character data.", "Unpacking media files."}));
  EXPECT_EQ(p.b.ui.States, (Strings{"Busy", "Idle"}));
  // The receiver's outcome carries the plug-in it wrote; the sender's counts what it served.
  ASSERT_EQ(p.b.ui.Outcomes.size(), 1u);
  EXPECT_EQ(p.b.ui.Outcomes[0].What, Kind::Arrived);
  EXPECT_EQ(p.b.ui.Outcomes[0].Plugin, p.a.media.ArenaPlugin);
  const auto sent = p.a.receiver.TakeSentOutcome();
  ASSERT_TRUE(sent);
  EXPECT_EQ(sent->Files, 3);
  EXPECT_EQ(sent->Bytes, 5000 + 80000 + 300000);
  EXPECT_FALSE(p.a.receiver.TakeSentOutcome()) << "handed out once";
  EXPECT_TRUE(p.a.ui.Messages.empty() && p.b.ui.Messages.empty());
  EXPECT_TRUE(NoTemporaryFiles(p.a) && NoTemporaryFiles(p.b));
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
  fs::remove(p.a.DataFiles() / "Textures" / "tx_glass.dds");
  p.a.receiver.ProcessArrival(Message(
      253, LongToBytes(0) + LongToBytes(2) + LongToBytes(2) + LongToBytes(1) + LongToBytes(99)));
  const ByteString body = p.a.TakeSent().substr(5);
  std::string list;
  ASSERT_EQ(DecompressBounded(body.substr(8, static_cast<size_t>(BytesToLong(body))),
                              static_cast<size_t>(BytesToLongAt(body, 4)), list),
            kBzOk);
  EXPECT_EQ(list, "arena.esp\t5000\r\n");
}

const std::string kAsked = "arena.esp\t3\r\nMeshes\\good.nif\t4\r\n";

// B answers A's media list; then a peer delivers whatever it likes.
struct Hostile {
  Side b;
  explicit Hostile(bool answered = true) {
    if (answered) b.receiver.ProcessArrival(B({255}) + MediaListMessage(kAsked));
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

// Each delivery may write the asked files only, under their asked names and sizes, and only
// what the contents really hold; a delivery that names anything else writes nothing.
TEST(TransferHostile, DeliveriesWriteOnlyAskedBytesUnderSafeNames) {
  ByteString damaged = CharacterDataBody(kAsked, "ESPGOOD");
  damaged[damaged.size() - 12] ^= 0x5A;
  const struct {
    const char* name;
    ByteString body;
    ByteString arena, good;  // "" when the file must not exist
    std::string message;     // title or text of the last message, if one must show
    bool answered = true;
  } cases[] = {
      {"names not asked for",
       CharacterDataBody(
           "arena.esp\t3\r\n..\\..\\evil.nif\t2\r\nC:\\evil.nif\t2\r\n\\abs.nif\t2\r\n"
           "Sound\\x.wav\t2\r\nMeshes\\..\\..\\up.nif\t2\r\nMeshes\\notasked.nif\t2\r\n"
           "Meshes\\good.nif\t4\r\nMeshes\\good.nif\t2\r\n",
           "ESP" + ByteString(12, 'e') + "GOOD" + "zz"),
       "", "", ""},
      {"larger than announced",
       CharacterDataBody("arena.esp\t3\r\nMeshes\\good.nif\t6\r\n", "ESPGOODXY"), "", "", ""},
      {"unreadable size",
       CharacterDataBody("arena.esp\t3\r\nMeshes\\x.nif\tzz\r\nMeshes\\good.nif\t4\r\n",
                         "ESPxxGOOD"),
       "", "", ""},
      {"damaged contents", damaged, "", "", "Compression Error"},
      {"short contents", RawCharacterDataBody(kAsked, 8, Compressed("ESPGO")), "", "",
       "Insufficient memory"},
      {"bomb under a contents length of 2 GB",
       RawCharacterDataBody(kAsked, 0x7FFFFFFF, Compressed(ByteString(50'000'000, 'Q'))), "QQQ",
       "QQQQ", ""},
      {"list length of 2 GB",
       LongToBytes(14) + LongToBytes(0x7FFFFFFF) + Compressed("a\t1\r\n") + LongToBytes(2) +
           Compressed("a"),
       "", "", ""},
      {"nothing asked", CharacterDataBody(kAsked, "ESPGOOD"), "", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Hostile h(c.answered);
    h.b.receiver.ProcessArrival(Message(254, c.body));
    std::set<std::string> expected;
    if (!c.arena.empty()) expected.insert("game/Data Files/arena.esp");
    if (!c.good.empty()) expected.insert("game/Data Files/Meshes/good.nif");
    EXPECT_EQ(h.b.Files(), expected);
    EXPECT_EQ(h.b.DataFile("arena.esp"), c.arena);
    EXPECT_EQ(h.b.DataFile("Meshes/good.nif"), c.good);
    // All or nothing, and the player is told which.
    ASSERT_FALSE(h.b.ui.Outcomes.empty());
    EXPECT_EQ(h.b.ui.Outcomes.back().What, c.arena.empty() ? Kind::NothingWritten : Kind::Arrived);
    if (!c.message.empty()) {
      ASSERT_FALSE(h.b.ui.Messages.empty());
      const auto& m = h.b.ui.Messages.back();
      EXPECT_TRUE(m.Title == c.message || m.Text == c.message) << m.Title << ": " << m.Text;
    }
    h.ExpectStillWorks();
  }
}

// Every entry below Data Files: "name=bytes" for a file, "name/" for a folder.
std::set<std::string> Tree(const Side& side) {
  std::set<std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(side.DataFiles())) {
    std::string name = Utf8FromPath(fs::relative(e.path(), side.DataFiles()));
    std::replace(name.begin(), name.end(), '\\', '/');
    tree.insert(e.is_directory() ? name + "/" : name + "=" + side.DataFile(name));
  }
  return tree;
}

// Whatever stands in a delivery's way, it writes every file it carries or none, and a failed
// one leaves Data Files as it found it: no temporary file, no folder made for it, the old
// arena.esp in place.
TEST(TransferAllOrNothing, ADeliveryWritesAllOfItsFilesOrNone) {
  std::vector<std::string> empties(20001, "Meshes\\e.nif=");  // no recursion per entry
  empties[0] = "arena.esp=ESP";
  const struct {
    const char* name;
    std::vector<std::string> files;    // "name=bytes": the media list, delivered whole
    std::string meanwhile = "";        // a file made after the requests, before the delivery
    std::set<std::string> after = {};  // empty: as before the delivery
  } cases[] = {
      {"a file where a folder must go",
       {"arena.esp=ESP", "Meshes\\deep\\er\\y.nif=Y", "Textures\\blocker\\x.dds=X"},
       "Textures/blocker"},
      {"a folder where a file must go", {"arena.esp=ESP", "Meshes\\a.nif=A"}, "meshes/A.NIF/x"},
      {"a hidden file there", {"arena.esp=ESP", "Textures\\.keep=X"}, "TEXTURES/.KEEP"},
      {"a rename that fails after others",
       {"arena.esp=ESP", "Meshes\\a.nif=A", "Meshes\\x=X", "Meshes\\x\\y.nif=Y"}},
      {"two spellings of new folders and files",
       {"arena.esp=ESP", "Textures\\New\\a.dds=A", "textures\\NEW\\b.dds=B", "Meshes\\m.nif=M",
        "Meshes\\m.nif=M", "MESHES\\M.NIF=M"},
       "",
       {"arena.esp=ESP", "Meshes/", "Meshes/m.nif=M", "Textures/", "Textures/New/",
        "Textures/New/a.dds=A", "Textures/New/b.dds=B"}},
      {"20,000 empty entries", empties, "", {"arena.esp=ESP", "Meshes/", "Meshes/e.nif="}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Side b;
    b.PutDataFile("arena.esp", "old");
    std::string list;
    ByteString contents;
    for (const std::string& file : c.files) {
      const size_t equals = file.find('=');
      list += file.substr(0, equals) + "\t" + std::to_string(file.size() - equals - 1) + "\r\n";
      contents += file.substr(equals + 1);
    }
    b.receiver.ProcessArrival(B({255}) + MediaListMessage(list));
    if (!c.meanwhile.empty()) b.PutDataFile(c.meanwhile, "mine");
    const auto before = Tree(b);
    b.receiver.ProcessArrival(Message(254, CharacterDataBody(list, contents)));
    EXPECT_EQ(Tree(b), c.after.empty() ? before : c.after);
    ASSERT_EQ(b.ui.Outcomes.size(), 1u);
    EXPECT_EQ(b.ui.Outcomes[0].What, c.after.empty() ? Kind::NothingWritten : Kind::Arrived);
    EXPECT_TRUE(NoTemporaryFiles(b));
  }
}

TEST(TransferHostile, ClaimedLengthsOfTwoGigabytesAllocateNothing) {
  for (int type : {252, 253, 254}) {
    Hostile h;
    h.b.receiver.ProcessArrival(static_cast<char>(type) + LongToBytes(0x7FFFFFFF) +
                                ByteString(100000, 'x'));
    EXPECT_EQ(h.b.receiver.State().MessagePayload.size(), 0u) << type;
    h.b.receiver.Reset();
    h.ExpectStillWorks();
  }
}

TEST(TransferHostile, UnusableMediaListsAreReportedAndNothingIsAskedFor) {
  ByteString damaged = Compressed(kAsked);
  damaged[damaged.size() / 2] ^= 0x21;
  const std::pair<ByteString, std::string> cases[] = {
      {LongToBytes(0x7FFFFFFF) + Compressed("x"), "Insufficient memory"},
      {LongToBytes(static_cast<int32_t>(kAsked.size())) + damaged, "Compression Error"},
  };
  for (const auto& [body, message] : cases) {
    Hostile h;
    h.b.receiver.ProcessArrival(Message(252, body));
    ASSERT_FALSE(h.b.ui.Messages.empty()) << message;
    EXPECT_TRUE(h.b.ui.Messages.back().Text == message || h.b.ui.Messages.back().Title == message);
    EXPECT_EQ(h.b.TakeSent(), Message(253, ""));
  }
}

}  // namespace
