#include "e2e/two_copies.h"
#include "net/bytes.h"
#include "records/record_file.h"
#include "support/demo_world.h"

namespace {

namespace fs = std::filesystem;
using namespace e2e;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// One player's copy of the program on the demo machines, as scripts/run starts it, but on
// ports of its own and without the internet.
struct DemoCopy : Copy {
  DemoCopy(const fs::path& folder, const std::string& player, uint16_t dialPort = 0) {
    env.WinePrefix = demo::WinePrefix(folder, player).string();
    env.ProgramDir = demo::ProgramDir(folder, player).string();
    env.DialPort = dialPort;
    Open();
  }
};

// The records of a plug-in; the sizes must tile the file exactly.
std::vector<ByteString> Records(const ByteString& file) {
  std::vector<ByteString> records;
  size_t pos = 0;
  while (pos + 16 <= file.size()) {
    const auto size = static_cast<uint32_t>(BytesToLongAt(file, pos + 4));
    if (size > file.size() - pos - 16) break;
    records.push_back(file.substr(pos, 16 + size));
    pos += 16 + size;
  }
  EXPECT_EQ(pos, file.size()) << "the record sizes do not tile the plug-in";
  return records;
}

// The values of every `tag` sub-record of a record, without trailing NULs.
std::vector<std::string> Values(const ByteString& record, std::string_view tag) {
  std::vector<std::string> values;
  for (size_t at = FindSubrecord(record, tag, 16); at != ByteString::npos;
       at = FindSubrecord(record, tag, at + 1)) {
    ByteString value = SubrecordValue(record, at);
    if (tag == "NPCO") value = value.substr(4);
    values.push_back(value.substr(0, value.find('\0')));
  }
  return values;
}

// The demo machines scripts/run prepares hold a whole character: connected as the terminal
// tells, the first copy transplants it and the second ends with every record and file.
TEST(Demo, TheDemoCharacterTravelsFromTheFirstCopyToTheSecond) {
  TempDir folder;
  std::string error;
  ASSERT_TRUE(demo::WriteDemo(folder.Path(), error)) << error;
  DemoCopy a(folder.Path(), "a");
  DemoCopy b(folder.Path(), "b", a.env.PeerPort);
  for (const auto& [box, text] :
       {std::pair{"Text1", "127"}, {"Text2", "0"}, {"Text3", "0"}, {"Text4", "1"}}) {
    EXPECT_EQ(b.window->findChild<AddressBox*>(box)->text(), text) << box;
  }

  b.Click("cmdConnect");
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Connected() && b.Connected(); }));
  ASSERT_EQ(a.ChooseSavegame(demo::kSavegame), QStringList{demo::kSavegame});
  a.Click("Command1");

  const fs::path aData = demo::GameDir(folder.Path(), "a") / "Data Files";
  const fs::path bData = demo::GameDir(folder.Path(), "b") / "Data Files";
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return fs::exists(bData / "arena.esp") && a.Idle() && b.Idle(); }, 20000));
  EXPECT_THAT(a.world.Messages, IsEmpty());
  EXPECT_THAT(b.world.Messages, IsEmpty());

  // Every mesh, texture and icon of the demo is named by the character and travels.
  for (const char* media : {"Meshes", "Textures", "Icons"}) {
    SCOPED_TRACE(media);
    const auto sent = FilesBelow(aData / media);
    const auto received = FilesBelow(bData / media);
    EXPECT_FALSE(sent.empty());
    EXPECT_EQ(received.size(), sent.size());
    for (const auto& [name, file] : sent) {
      EXPECT_TRUE(received.count(name) && received.at(name).Bytes == file.Bytes) << name;
    }
  }

  const ByteString arena = ReadWholeFile(bData / "arena.esp").value();
  ASSERT_EQ(arena, a.window->Media().ArenaPlugin);
  std::map<std::string, std::vector<std::string>> ids;
  ByteString player;
  for (const ByteString& record : Records(arena)) {
    const std::string type = record.substr(0, 4);
    ids[type].push_back(type == "TES3" ? "" : RecordId(record, false));
    if (type == "NPC_") player = record;
  }
  EXPECT_THAT(ids["NPC_"], ElementsAre("play00"));
  EXPECT_THAT(ids["CELL"], ElementsAre("Quib Arena"));
  EXPECT_THAT(ids["ARMO"], ElementsAre("quib_demo_cuirass"));
  EXPECT_THAT(ids["CLOT"], ElementsAre("quib_demo_robe"));
  EXPECT_THAT(ids["WEAP"], ElementsAre("quib_demo_blade"));
  EXPECT_THAT(ids["ALCH"], ElementsAre("quib_demo_potion"));
  EXPECT_THAT(ids["MISC"], ElementsAre("quib_demo_gem"));

  // Head, hair, spells and the enchantment travel under new ids that the records and the
  // player agree on; what the game's masters define travels by its id only.
  const std::string head = Values(player, "BNAM").at(0);
  const std::string hair = Values(player, "KNAM").at(0);
  EXPECT_NE(head, "quib_demo_head");
  EXPECT_NE(hair, "quib_demo_hair");
  EXPECT_THAT(ids["BODY"],
              UnorderedElementsAre(head, hair, "quib_demo_cuirass_part", "quib_demo_robe_part"));
  const std::vector<std::string> spells = Values(player, "NPCS");
  ASSERT_EQ(spells.size(), 3u);
  EXPECT_EQ(spells[2], "fire bite");
  EXPECT_THAT(ids["SPEL"], UnorderedElementsAre(spells[0], spells[1]));
  EXPECT_THAT(Values(player, "NPCO"),
              ElementsAre("quib_demo_cuirass", "quib_demo_robe", "quib_demo_blade",
                          "quib_demo_potion", "quib_demo_gem", "Gold_001"));
  ByteString blade;
  for (const ByteString& record : Records(arena))
    if (record.substr(0, 4) == "WEAP") blade = record;
  EXPECT_THAT(ids["ENCH"], ElementsAre(Values(blade, "ENAM").at(0)));
  EXPECT_NE(ids["ENCH"].at(0), "quib_demo_frost_edge");
}

}  // namespace
