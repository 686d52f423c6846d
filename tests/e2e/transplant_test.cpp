// The demo character travels from copy A to copy B: the demo machines scripts/run prepares,
// the real buttons, real sockets and a tap that sees the bytes on the wire.
#include <algorithm>
#include <cctype>
#include <set>

#include "e2e/two_copies.h"
#include "fixtures/demo_world.h"
#include "media/media_list.h"
#include "net/bytes.h"

namespace {

using namespace e2e;
namespace fs = std::filesystem;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Meshes\q\x.nif", in the game's code page (Windows-1252; the demo uses only its Latin-1
// letters), as a key of FilesBelow: the UTF-8 name on disk, without regard to case.
std::string Key(const std::string& backslashName) {
  std::string utf8;
  for (const char c : backslashName) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) utf8 += static_cast<char>(0xC0 | (u >> 6));
    utf8 += c == '\\' ? '/' : static_cast<char>(u >= 0x80 ? 0x80 | (u & 0x3F) : u);
  }
  return Lower(utf8);
}

std::string Messages(const Copy& copy) {
  std::string all;
  for (const auto& m : copy.world.Messages) all += "[" + m.Title + "] " + m.Text + "\n";
  return all;
}

// The FileRequests bodies in what B sent (it sends nothing else during a transfer).
std::vector<ByteString> FileRequestBodies(const ByteString& stream) {
  std::vector<ByteString> bodies;
  for (size_t at = 0; at + 5 <= stream.size();) {
    EXPECT_EQ(static_cast<uint8_t>(stream[at]), 253) << "at " << at;
    const auto length = static_cast<size_t>(BytesToLongAt(stream, at + 1));
    bodies.push_back(stream.substr(at + 5, length));
    at += 5 + length;
  }
  return bodies;
}

// One player's copy on the demo machines, on ports of its own and without the internet.
struct DemoCopy : Copy {
  DemoCopy(const fs::path& folder, const std::string& player) {
    env.WinePrefix = demo::WinePrefix(folder, player).string();
    env.ProgramDir = demo::ProgramDir(folder, player).string();
  }
};

class TransplantEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(demo::WriteDemo(folder.Path(), error)) << error;
  }

  // Files B already has carry its own bytes and an old date.
  void WriteOld(const std::string& relative, const ByteString& bytes) {
    const fs::path path = bData / relative;
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(WriteFileAtomically(path, bytes));
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 10));
  }

  void OpenAndConnect() {
    tap = OpenThroughTap(a, b);
    ASSERT_TRUE(Connect(a, b));
    ASSERT_EQ(a.ChooseSavegame(demo::kSavegame), QStringList{demo::kSavegame});
  }

  // Presses "Transplant!" and checks every file B ends with.
  void TransplantAndCheck() {
    const auto before = FilesBelow(bData);
    const size_t requestsBefore = FileRequestBodies(tap->FromListener).size();
    a.Click("Command1");
    const MediaList& media = a.window->Media();
    const fs::path arena = b.GamePathOf("\\Data Files\\arena.esp");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return a.Idle() && b.Idle() && ReadWholeFile(arena) == media.ArenaPlugin; }, 60000))
        << "A:\n"
        << Messages(a) << "B:\n"
        << Messages(b);
    EXPECT_EQ(Messages(a) + Messages(b), "");

    // A listed arena.esp first and then every mesh, texture and icon of the demo.
    ASSERT_FALSE(media.MediaNames.empty());
    EXPECT_EQ(media.MediaNames[0], "arena.esp");
    std::set<std::string> listed, demoMedia;
    for (size_t k = 1; k < media.MediaNames.size(); ++k) listed.insert(Key(media.MediaNames[k]));
    for (const char* kind : {"Meshes", "Textures", "Icons"}) {
      for (const auto& [name, file] : FilesBelow(aData / kind)) {
        demoMedia.insert(Lower(std::string(kind) + "/" + name));
      }
    }
    EXPECT_EQ(listed, demoMedia);

    // B asked for line 0 and for each line whose file it lacked, whatever its letter case.
    ByteString expectedRequests;
    std::set<std::string> lacked;
    for (size_t k = 0; k < media.MediaNames.size(); ++k) {
      const std::string key = Key(media.MediaNames[k]);
      const bool had = std::any_of(before.begin(), before.end(),
                                   [&](const auto& file) { return Lower(file.first) == key; });
      if (k > 0 && had) continue;
      expectedRequests += LongToBytes(static_cast<int32_t>(k));
      if (k > 0) lacked.insert(media.MediaNames[k]);
    }
    const auto requests = FileRequestBodies(tap->FromListener);
    ASSERT_EQ(requests.size(), requestsBefore + 1);
    EXPECT_EQ(requests.back(), expectedRequests);

    // What B lacked arrived as A has it; what B had is untouched; nothing else appeared.
    const auto after = FilesBelow(bData);
    std::set<std::string> expectedFiles = {fs::relative(arena, bData).string()};
    for (const auto& [name, state] : before) {
      expectedFiles.insert(name);
      if (Lower(name) == "arena.esp") continue;
      EXPECT_TRUE(after.count(name) && after.at(name) == state) << name << " was touched";
    }
    for (const std::string& name : lacked) {
      const fs::path there = b.GamePathOf("\\Data Files\\" + name);
      expectedFiles.insert(fs::relative(there, bData).string());
      EXPECT_EQ(ReadWholeFile(there), ReadWholeFile(a.GamePathOf("\\Data Files\\" + name))) << name;
    }
    std::set<std::string> afterNames;
    for (const auto& [name, state] : after) afterNames.insert(name);
    EXPECT_EQ(afterNames, expectedFiles);
    ExpectNoTemporaryFile();
    EXPECT_TRUE(a.Connected() && b.Connected());
  }

  void ExpectNoTemporaryFile() {
    for (Copy* copy : {&a, &b}) {
      std::set<std::string> programFiles;
      for (const auto& [name, state] : FilesBelow(copy->env.ProgramDir)) programFiles.insert(name);
      EXPECT_EQ(programFiles, (std::set<std::string>{"arena.dat", "Opponent.dat"}));
    }
  }

  TempDir folder;
  DemoCopy a{folder.Path(), "a"}, b{folder.Path(), "b"};
  const fs::path aData = demo::GameDir(folder.Path(), "a") / "Data Files";
  const fs::path bData = demo::GameDir(folder.Path(), "b") / "Data Files";
  std::unique_ptr<WireTap> tap;
};

// The demo character travels whole. B holds some of the files already, under other letter
// cases: they are neither asked for nor doubled, and the rest arrives in B's own folders.
TEST_F(TransplantEndToEnd, TheDemoCharacterTravelsAndBKeepsWhatItHas) {
  WriteOld("meshes/Q/DEMO_CUIRASS_GND.NIF", "B's cuirass");
  WriteOld("TEXTURES/q/Demo_Steel.DDS", "B's steel");
  WriteOld("icons/Q/demo_pötion.dds", "B's potion icon");
  WriteOld("ARENA.ESP", "an older arena");
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect());
  {
    SCOPED_TRACE("first transplant");
    ASSERT_NO_FATAL_FAILURE(TransplantAndCheck());
  }

  const ByteString arena = a.window->Media().ArenaPlugin;
  // The same again: B now holds every file, so only arena.esp travels, with new ids.
  SCOPED_TRACE("second transplant");
  ASSERT_NO_FATAL_FAILURE(TransplantAndCheck());
  EXPECT_EQ(FileRequestBodies(tap->FromListener).back(), LongToBytes(0));
  EXPECT_NE(a.window->Media().ArenaPlugin, arena);
  EXPECT_EQ(a.window->Media().ArenaPlugin.size(), arena.size());
}

// The link breaks while the character data streams from A to B: both go back to listening
// and idle, nothing is written and no temporary file stays; the next transfer works.
TEST_F(TransplantEndToEnd, ALinkCutMidTransferLeavesNoTraceAndTheNextTransferWorks) {
  // A texture large enough that the cut falls inside the data.
  ByteString big(2'000'000, '\0');
  uint32_t seed = 3;
  for (char& c : big) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  ASSERT_TRUE(WriteFileAtomically(aData / "Textures/q/demo_steel.dds", big));
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect());
  auto before = FilesBelow(bData);
  before.erase("MWSE/remotepc");
  tap->CutAfter = 200000;
  a.Click("Command1");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return a.Listening() && b.Listening() && a.Idle() && b.Idle(); }, 60000));

  // The cut fell inside the character data: after the start byte and the media list, a
  // CharacterData header whose body goes on past the cut.
  const ByteString& sent = tap->FromDialler;
  ASSERT_EQ(sent.size(), 200000u);
  ASSERT_EQ(static_cast<uint8_t>(sent[1]), 252);
  const size_t data = 6 + static_cast<size_t>(BytesToLongAt(sent, 2));
  ASSERT_EQ(static_cast<uint8_t>(sent[data]), 254);
  EXPECT_GT(data + 5 + static_cast<size_t>(BytesToLongAt(sent, data + 1)), sent.size());

  auto after = FilesBelow(bData);
  after.erase("MWSE/remotepc");
  EXPECT_EQ(after, before);
  ExpectNoTemporaryFile();

  ASSERT_TRUE(Connect(a, b));
  TransplantAndCheck();
}

}  // namespace
