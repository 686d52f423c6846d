// A character travels from copy A to copy B: the real buttons, real sockets, two game folders.
#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "e2e/two_copies.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "support/tes3_writer.h"

namespace {

using namespace e2e;
using namespace tes3;
namespace fs = std::filesystem;

// Bytes that compress about as well as real meshes and textures.
ByteString Noise(size_t size, uint32_t seed) {
  ByteString bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>((seed >> 16) % 3 == 0 ? seed >> 8 : 'a' + (seed >> 20) % 16);
  }
  return bytes;
}

std::string Slashed(std::string backslashName) {
  std::replace(backslashName.begin(), backslashName.end(), '\\', '/');
  return backslashName;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Meshes\a\x.nif" as a key of FilesBelow, without regard to case.
std::string Key(const std::string& backslashName) { return Lower(Slashed(backslashName)); }

// A's media, by the names its records and meshes give them.
std::map<std::string, ByteString> DemoMedia() {
  return {
      {"Meshes\\b\\demo_head.nif", Mesh({TextureBlock("tx_demo_skin.tga")})},
      {"Meshes\\b\\demo_hair.nif", Mesh({TextureBlock("Textures\\tx_demo_hair.dds")})},
      {"Meshes\\a\\demo_cuirass.nif", Mesh({TextureBlock("demo\\sub\\tx_cuirass.dds")})},
      {"Meshes\\a\\demo_cuirass_gnd.nif", Mesh({TextureBlock("tx_demo_shared.dds")})},
      {"Meshes\\c\\demo_shirt.nif", Mesh({TextureBlock("tx_demo_shared.dds")})},
      {"Meshes\\c\\demo_shirt_gnd.nif",
       Mesh({TextureBlock("tx_demo_shared.dds"), TextureBlock("tx_demo_missing.dds")})},
      {"Meshes\\c\\demo_ring.nif", RealTestFile("all_types.nif")},
      {"Meshes\\m\\demo_potion.nif", Mesh({})},
      {"Textures\\tx_demo_skin.dds", Noise(40000, 1)},
      {"Textures\\tx_demo_hair.dds", Noise(30000, 2)},
      {"Textures\\demo\\sub\\tx_cuirass.dds", Noise(2'500'000, 3)},
      {"Textures\\tx_demo_shared.dds", Noise(300000, 4)},
      {"Textures\\g7\\textests\\light07_0.dds", Noise(20000, 5)},
      {"Icons\\a\\demo_cuirass.dds", Noise(4000, 6)},
      {"Icons\\c\\demo_shirt.dds", Noise(4000, 7)},
      {"Icons\\c\\demo_ring.dds", Noise(4000, 8)},
      {"Icons\\m\\demo_potion.dds", Noise(4000, 9)},
  };
}

// A's game: a plug-in with the character's head, hair, armour and clothing with their body
// parts, an enchanted ring, a potion and spells; a savegame whose player uses them (and a
// few objects of the base game, which travel as references).
void WriteCharacterWorld(Copy& a) {
  Item cuirass("ARMO", "demo_cuirass");
  cuirass.WithModel("a\\demo_cuirass_gnd.nif").WithIcon("a\\demo_cuirass.dds");
  cuirass.WithBodyParts({"demo_cuirass_part"});
  Item shirt("CLOT", "demo_shirt");
  shirt.WithModel("c\\demo_shirt_gnd.nif").WithIcon("c\\demo_shirt.dds");
  shirt.WithBodyParts({"demo_shirt_part"});
  Item ring("CLOT", "demo_ring");
  ring.WithModel("c\\demo_ring.nif").WithIcon("c\\demo_ring.tga");
  ring.WithEnchantment("demo_ring_ench");
  Item potion("ALCH", "demo_potion");
  potion.WithModel("m\\demo_potion.nif").WithIcon("m\\demo_potion.dds");

  Header header;
  header.Masters = {{"Morrowind.esm", 1}};
  a.WriteGameFile(
      "Data Files/demo.esp",
      File(header, {BodyPartRecord("b_demo_head", "b\\demo_head.nif"),
                    BodyPartRecord("b_demo_hair", "b\\demo_hair.nif"),
                    BodyPartRecord("demo_cuirass_part", "a\\demo_cuirass.nif"),
                    BodyPartRecord("demo_shirt_part", "c\\demo_shirt.nif"),
                    EnchantmentRecord("demo_ring_ench"), SpellRecord("demo_fire", "Fire"),
                    SpellRecord("demo_heal", "Heal"), ItemRecord(cuirass), ItemRecord(shirt),
                    ItemRecord(ring), ItemRecord(potion)}));
  Npc player;
  player.Head = "b_demo_head";
  player.Hair = "b_demo_hair";
  player.Inventory = {{1, "demo_cuirass"},
                      {1, "demo_shirt"},
                      {1, "demo_ring"},
                      {3, "demo_potion"},
                      {50, "gold_001"}};
  player.Spells = {"demo_fire", "demo_heal", "fireball"};
  a.WriteGameFile("Saves/demo.ess",
                  Savegame({{"Morrowind.esm", 1}, {"demo.esp", 2}}, {NpcRecord(player)}));
  for (const auto& [name, bytes] : DemoMedia())
    a.WriteGameFile("Data Files/" + Slashed(name), bytes);
  // The .tga the ring's icon names has a .dds twin, which is what travels.
  a.WriteGameFile("Data Files/Icons/c/demo_ring.tga", "tga");
}

// B's game before the transfer. Files B already has carry its own bytes and an old date.
using Preparation = std::function<void(Copy& b)>;

void WriteOld(Copy& b, const std::string& relative, const ByteString& bytes) {
  const fs::path path = b.WriteGameFile("Data Files/" + relative, bytes);
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 10));
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

class TransplantEndToEnd : public TappedPair {
 protected:
  void Open(const Preparation& prepare) {
    WriteCharacterWorld(a);
    prepare(b);
    OpenAndConnect();
  }

  void ChooseSavegame() {
    ASSERT_TRUE(a.ChooseSavegame("demo.ess").contains("demo.ess"));
    ASSERT_TRUE(a.window->isEnabled());
  }

  // Presses "Transplant!" and checks everything B ends with.
  void TransplantAndCheck() {
    const auto before = FilesBelow(b.DataFiles());
    const size_t requestsBefore = FileRequestBodies(tap->FromListener).size();

    a.Click("Command1");
    const MediaList& media = a.window->Media();
    const fs::path arena = b.GamePathOf("\\Data Files\\arena.esp");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return a.Idle() && b.Idle() && ReadWholeFile(arena) == media.ArenaPlugin; }, 60000))
        << "A:\n"
        << Messages(a) << "B:\n"
        << Messages(b);
    EXPECT_EQ(Messages(a), "");
    EXPECT_EQ(Messages(b), "");

    // A listed every file its character names, and arena.esp first.
    ASSERT_FALSE(media.MediaNames.empty());
    EXPECT_EQ(media.MediaNames[0], "arena.esp");
    std::set<std::string> listed(media.MediaNames.begin() + 1, media.MediaNames.end());
    std::set<std::string> expected;
    for (const auto& [name, bytes] : DemoMedia()) expected.insert(name);
    EXPECT_EQ(listed, expected);
    for (const char* type : {"ARMO", "CLOT", "ALCH", "ENCH", "SPEL", "BODY", "NPC_"}) {
      EXPECT_NE(media.ArenaPlugin.find(type), ByteString::npos) << type;
    }

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
    const auto after = FilesBelow(b.DataFiles());
    std::set<std::string> expectedFiles = {fs::relative(arena, b.DataFiles()).string()};
    for (const auto& [name, state] : before) {
      expectedFiles.insert(name);
      if (Lower(name) == "arena.esp") continue;
      EXPECT_TRUE(after.count(name) && after.at(name) == state) << name << " was touched";
    }
    for (const std::string& name : lacked) {
      const fs::path there = b.GamePathOf("\\Data Files\\" + name);
      expectedFiles.insert(fs::relative(there, b.DataFiles()).string());
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
      for (const auto& [name, state] : FilesBelow(copy->world.Program.Path())) {
        programFiles.insert(name);
      }
      EXPECT_EQ(programFiles, (std::set<std::string>{"arena.dat", "Opponent.dat"}));
    }
  }

  void Run(const Preparation& prepare) {
    ASSERT_NO_FATAL_FAILURE(Open(prepare));
    ASSERT_NO_FATAL_FAILURE(ChooseSavegame());
    {
      SCOPED_TRACE("first transplant");
      ASSERT_NO_FATAL_FAILURE(TransplantAndCheck());
    }
    // The same again: B now holds every file, so only arena.esp travels, with new ids.
    const ByteString first = a.window->Media().ArenaPlugin;
    SCOPED_TRACE("second transplant");
    ASSERT_NO_FATAL_FAILURE(TransplantAndCheck());
    EXPECT_EQ(FileRequestBodies(tap->FromListener).back(), LongToBytes(0));
    EXPECT_NE(a.window->Media().ArenaPlugin, first);
    EXPECT_EQ(a.window->Media().ArenaPlugin.size(), first.size());
  }
};

TEST_F(TransplantEndToEnd, BWithoutMediaGetsEveryFile) {
  Run([](Copy&) {});
}

TEST_F(TransplantEndToEnd, BHoldingEveryFileGetsOnlyArenaEsp) {
  Run([](Copy& b) {
    for (const auto& [name, bytes] : DemoMedia()) WriteOld(b, Slashed(name), "B's own " + name);
    WriteOld(b, "arena.esp", "an older arena");
  });
}

TEST_F(TransplantEndToEnd, FilesBHoldsUnderAnotherLetterCaseAreNeitherAskedForNorDoubled) {
  Run([](Copy& b) {
    WriteOld(b, "meshes/A/DEMO_CUIRASS_GND.NIF", "B's cuirass");
    WriteOld(b, "TEXTURES/Tx_Demo_Shared.DDS", "B's shared texture");
    WriteOld(b, "icons/C/Demo_Shirt.dds", "B's shirt icon");
    WriteOld(b, "ARENA.ESP", "an older arena");
  });
}

// The link breaks while the character data streams from A to B: both go back to listening
// and idle, nothing is written and no temporary file stays; the next transfer works.
TEST_F(TransplantEndToEnd, ALinkCutMidTransferLeavesNoTraceAndTheNextTransferWorks) {
  ASSERT_NO_FATAL_FAILURE(Open([](Copy&) {}));
  ASSERT_NO_FATAL_FAILURE(ChooseSavegame());
  auto before = FilesBelow(b.DataFiles());
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

  auto after = FilesBelow(b.DataFiles());
  after.erase("MWSE/remotepc");
  EXPECT_EQ(after, before);
  ExpectNoTemporaryFile();

  ASSERT_TRUE(Connect(a, b));
  TransplantAndCheck();
}

}  // namespace
