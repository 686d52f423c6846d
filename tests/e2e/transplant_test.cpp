// The demo character travels from copy A to copy B: the demo machines scripts/run prepares,
// the real buttons, real sockets and a tap that sees the bytes on the wire.
#include <signal.h>

#include <QLabel>
#include <cctype>
#include <fstream>
#include <functional>
#include <set>

#include "bridge/relay_tables.h"
#include "e2e/two_copies.h"
#include "fixtures/demo_world.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "support/watched_fifo.h"

namespace {

using namespace e2e;
namespace fs = std::filesystem;

// Bytes that do not compress.
ByteString Noise(size_t size) {
  ByteString bytes(size, '\0');
  uint32_t seed = 3;
  for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  return bytes;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Meshes\\q\\x.nif", in the game's code page (Windows-1252; the demo uses only its Latin-1
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

QString Drop1(Copy& copy) { return copy.Control<QLabel>("Drop1")->text(); }

std::set<std::string> Names(const std::map<std::string, FileState>& files, bool keyed = false) {
  std::set<std::string> names;
  for (const auto& file : files) names.insert(keyed ? Lower(file.first) : file.first);
  return names;
}

// Every message box either copy showed.
std::string Messages(const Copy& a, const Copy& b) {
  std::string all;
  for (const Copy* copy : {&a, &b})
    for (const auto& m : copy->world.Messages) all += "[" + m.Title + "] " + m.Text + "\n";
  return all;
}

// One player's copy on the demo machines, on ports of its own and without the internet.
struct DemoCopy : Copy {
  DemoCopy(const fs::path& folder, const std::string& player) {
    env.WinePrefix = demo::WinePrefix(folder, player).string();
    env.ProgramDir = demo::ProgramDir(folder, player).string();
  }
};

// The character bears a name of markup, an image on a FIFO: both windows show it as typed
// and never open the FIFO.
class TransplantEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(fifo.Watch.joinable() && demo::WriteDemo(folder.Path(), error, fifo.Markup()))
        << error;
  }

  // Files B already has carry its own bytes and an old date.
  void WriteOld(const std::string& relative, const ByteString& bytes) {
    fs::create_directories((bData / relative).parent_path());
    ASSERT_TRUE(WriteFileAtomically(bData / relative, bytes));
    fs::last_write_time(bData / relative,
                        fs::file_time_type::clock::now() - std::chrono::hours(240));
  }

  template <typename BWindow = MainWindow>
  void OpenAndConnect() {
    tap = OpenThroughTap<BWindow>(a, b);
    ASSERT_TRUE(Connect(a, b));
    ASSERT_TRUE(a.ChooseSavegame(demo::kSavegame));
  }

  // Presses "Transplant!", runs `meanwhile`, and checks every file B ends with.
  void TransplantAndCheck(const std::function<void()>& meanwhile = {}) {
    const auto before = FilesBelow(bData);
    const std::set<std::string> had = Names(before, true);
    a.Click("Command1");
    EXPECT_EQ(Drop1(a), "Connected to Peer") << "an earlier outcome gives way to the link text";
    if (meanwhile) meanwhile();
    const MediaList& media = a.window->Media();
    const fs::path arena = b.GamePathOf("\\Data Files\\arena.esp");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return a.Idle() && b.Idle() && ReadWholeFile(arena) == media.ArenaPlugin; }, 60000))
        << Messages(a, b);
    EXPECT_EQ(Messages(a, b), "");
    // Both players see how it ended, naming the character.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Drop1(a).contains("went out") && Drop1(b).contains("arena.esp"); }, 10000))
        << Drop1(a).toStdString() << "\n"
        << Drop1(b).toStdString();
    for (Copy* copy : {&a, &b}) {
      copy->Control("Drop1")->grab();  // laid out and painted now
      EXPECT_TRUE(Drop1(*copy).startsWith(fifo.Markup().c_str())) << Drop1(*copy).toStdString();
    }
    EXPECT_EQ(fifo.Readers, 0);

    // A listed arena.esp first and then every mesh, texture and icon of the demo; what B lacked
    // (whatever its letter case) arrived as A has it.
    ASSERT_FALSE(media.MediaNames.empty());
    EXPECT_EQ(media.MediaNames[0], "arena.esp");
    std::set<std::string> listed, demoMedia, expectedFiles = Names(before);
    expectedFiles.insert(fs::relative(arena, bData).string());
    for (size_t k = 1; k < media.MediaNames.size(); ++k) {
      const std::string& name = media.MediaNames[k];
      listed.insert(Key(name));
      if (had.count(Key(name))) continue;
      const fs::path there = b.GamePathOf("\\Data Files\\" + name);
      expectedFiles.insert(fs::relative(there, bData).string());
      EXPECT_EQ(ReadWholeFile(there), ReadWholeFile(a.GamePathOf("\\Data Files\\" + name))) << name;
    }
    for (const char* kind : {"Meshes", "Textures", "Icons"})
      for (const auto& file : FilesBelow(aData / kind))
        demoMedia.insert(Lower(std::string(kind) + "/" + file.first));
    EXPECT_EQ(listed, demoMedia);

    // What B had is untouched (but arena.esp), so it was not asked for; nothing else appeared.
    auto after = FilesBelow(bData);
    after.erase("MWSE/hpval");  // the relay's file, when a test logs a value
    for (const auto& [name, state] : before)
      EXPECT_TRUE(Lower(name) == "arena.esp" || (after.count(name) && after.at(name) == state))
          << name << " was touched";
    EXPECT_EQ(Names(after), expectedFiles);
    ExpectNoTemporaryFile();
    EXPECT_TRUE(a.Connected() && b.Connected());
  }

  void ExpectNoTemporaryFile() {
    for (Copy* copy : {&a, &b})
      EXPECT_EQ(Names(FilesBelow(copy->env.ProgramDir)),
                (std::set<std::string>{"arena.dat", "Opponent.dat"}));
  }

  WatchedFifo fifo;
  TempDir folder;
  DemoCopy a{folder.Path(), "a"}, b{folder.Path(), "b"};
  const fs::path aData = demo::GameDir(folder.Path(), "a") / "Data Files";
  const fs::path bData = demo::GameDir(folder.Path(), "b") / "Data Files";
  std::unique_ptr<WireTap> tap;
};

// The demo character travels whole. B holds some of the files already, under other letter
// cases: they are neither asked for nor doubled, and the rest arrives in B's own folders.
// A packs on two threads, B unpacks on one (the link-cut case below the other way round).
TEST_F(TransplantEndToEnd, TheDemoCharacterTravelsAndBKeepsWhatItHas) {
  ByteString cloth;
  for (int i = 0; cloth.size() < 3'000'000; ++i) cloth += "cloth " + std::to_string(i % 7919);
  ASSERT_TRUE(WriteFileAtomically(aData / "Textures/q/demo_cloth.dds", cloth));
  a.env.Workers = 2;
  b.env.Workers = 1;
  WriteOld("meshes/Q/DEMO_CUIRASS_GND.NIF", "B's cuirass");
  WriteOld("TEXTURES/q/Demo_Steel.DDS", "B's steel");
  WriteOld("icons/Q/demo_pötion.dds", "B's potion icon");
  WriteOld("ARENA.ESP", "an older arena");
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect());
  ASSERT_NO_FATAL_FAILURE(TransplantAndCheck()) << "first transplant";
  const ByteString arena = a.window->Media().ArenaPlugin;
  // The same again: B now holds every file, so only arena.esp travels, with new ids.
  ASSERT_NO_FATAL_FAILURE(TransplantAndCheck()) << "second transplant";
  EXPECT_NE(a.window->Media().ArenaPlugin, arena);
  EXPECT_EQ(a.window->Media().ArenaPlugin.size(), arena.size());
}

// The link breaks while the character data streams from A to B: both go back to listening
// and idle, nothing is written and no temporary file stays; the next transfer works.
TEST_F(TransplantEndToEnd, ALinkCutMidTransferLeavesNoTraceAndTheNextTransferWorks) {
  // A texture large enough that the cut falls inside the data.
  ASSERT_TRUE(WriteFileAtomically(aData / "Textures/q/demo_steel.dds", Noise(2'000'000)));
  a.env.Workers = 1;
  b.env.Workers = 2;
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect());
  auto before = FilesBelow(bData);
  before.erase("MWSE/remotepc");
  tap->HoldAfter = 200000;
  a.Click("Command1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return tap->FromDialler.size() == tap->HoldAfter; }, 60000));
  tap->Cut();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return a.Listening() && b.Listening() && a.Idle() && b.Idle(); }, 60000));

  // The cut fell inside the character data: after the start byte and the media list, a
  // CharacterData header whose body goes on past the cut.
  const ByteString& sent = tap->FromDialler;
  ASSERT_EQ(static_cast<uint8_t>(sent[1]), 252);
  const size_t data = 6 + static_cast<size_t>(BytesToLongAt(sent, 2));
  ASSERT_EQ(static_cast<uint8_t>(sent[data]), 254);
  EXPECT_GT(data + 5 + static_cast<size_t>(BytesToLongAt(sent, data + 1)), sent.size());

  auto after = FilesBelow(bData);
  after.erase("MWSE/remotepc");
  EXPECT_EQ(after, before);
  // A's bytes all left A before the cut, so only B can tell that nothing was written.
  EXPECT_TRUE(Drop1(b).contains("nothing was written")) << Drop1(b).toStdString();
  ExpectNoTemporaryFile();

  ASSERT_TRUE(Connect(a, b));
  TransplantAndCheck();
}

// A window that a quit signal reaches when its unpack first lets the loop run, as the
// program's own signal would: the window takes signals up only then.
struct QuitWhileUnpacking : MainWindow {
  using MainWindow::MainWindow;
  void YieldToEventLoop() override {
    if (isVisible() && findChild<QLabel*>("Label4")->text() == "Unpacking media files.") {
      ::raise(SIGTERM);
      EXPECT_TRUE(QTest::qWaitFor([this] { return !isVisible(); }, 10000)) << "not closed";
    }
    MainWindow::YieldToEventLoop();
  }
};

// B's program ends during the unpack: nothing is written and no temporary file stays.
TEST_F(TransplantEndToEnd, AQuitSignalStopsTheUnpackAndLeavesNoTrace) {
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect<QuitWhileUnpacking>());
  b.window->EndOnQuitSignals();
  const auto before = Names(FilesBelow(bData));
  a.Click("Command1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return b.world.ProgramEnds == 1; }, 60000));
  EXPECT_EQ(Names(FilesBelow(bData)), before);
  ExpectNoTemporaryFile();
  // The first signal was taken up; the next, of any kind, ends the program at once.
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
  }
}

// A character over 16 MiB goes out whole: relay values logged meanwhile wait behind it, a
// second "Transplant!" on either side changes nothing, and the friend decodes the body and
// every message after it.
TEST_F(TransplantEndToEnd, ALongCharacterGoesOutWholeWhileTheRelayAndMoreClicksWait) {
  ASSERT_TRUE(WriteFileAtomically(aData / "Textures/q/demo_steel.dds", Noise(17'000'000)));
  a.env.Workers = 2;
  ASSERT_NO_FATAL_FAILURE(OpenAndConnect());
  tap->HoldAfter = 1 << 20;  // inside the body: A cannot send it all until released
  TransplantAndCheck([&] {
    ASSERT_TRUE(QTest::qWaitFor([&] { return tap->FromDialler.size() == tap->HoldAfter; }, 60000));
    std::ofstream(a.GamePathOf("\\MWScriptExtender.log"), std::ios::app) << "QUIB::hpval 7|\n";
    const RelayTables& relay = a.window->Relay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return relay.OutVarCount == 1 && !relay.OutVars[0].Ready; }));
    const ByteString arena = a.window->Media().ArenaPlugin;
    a.Click("Command1");
    b.Click("Command1");
    EXPECT_TRUE(a.window->Media().ArenaPlugin == arena) << "a second export ran";
    tap->Release();
  });
  // B took the value after the body and told A its channel.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.window->Relay().OutVars[0].Channel == 0; }));
  EXPECT_EQ(ReadWholeFile(b.GamePathOf("\\Data Files\\MWSE\\hpval")).value_or("").substr(0, 8),
            LongToBytes(1) + LongToBytes(1));
}

}  // namespace
