#include <gmock/gmock.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <map>

#include "app/address_box.h"
#include "app/savegame_chooser.h"
#include "app/window_fixture.h"
#include "net/bytes.h"
#include "platform/files.h"
#include "records/record_file.h"
#include "support/demo_world.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// One player's copy of the program on the demo machines, as scripts/run starts it, but on
// ports of its own and without the internet.
struct DemoCopy {
  DemoCopy(const fs::path& folder, const std::string& player, uint16_t dialPort = 0) {
    Environment env;
    env.WinePrefix = demo::WinePrefix(folder, player).string();
    env.ProgramDir = demo::ProgramDir(folder, player).string();
    env.PeerPort = WindowWorld::FreePort();
    env.DialPort = dialPort;
    env.InternetConnected = [] { return false; };
    env.LocalAddressTable = [] { return std::vector<std::array<uint8_t, 4>>{{127, 0, 0, 1}}; };
    env.PrimaryAddress = [] { return std::string("127.0.0.1"); };
    window = std::make_unique<MainWindow>(env);
    window->MessageHook = [this](const std::string& text, const std::string&, MessageIcon) {
      messages.push_back(text);
    };
    window->ProgramEndHook = [] {};
    window->Startup();
    window->show();
  }

  void Click(const char* button) {
    QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
  }
  bool Idle() const {
    return !window->findChild<QWidget*>("cmdCharacter")->isHidden() &&
           window->findChild<QWidget*>("Label3")->isHidden();
  }
  uint16_t Port() const { return window->Env().PeerPort; }

  std::unique_ptr<MainWindow> window;
  std::vector<std::string> messages;
};

// Every file below `root` by its path relative to it.
std::map<std::string, ByteString> FilesBelow(const fs::path& root) {
  std::map<std::string, ByteString> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).string()] = ReadWholeFile(entry.path()).value();
    }
  }
  return files;
}

std::vector<std::string> Names(const std::map<std::string, ByteString>& files) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : files) names.push_back(name);
  return names;
}

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
  DemoCopy b(folder.Path(), "b", a.Port());
  for (const auto& [box, text] :
       {std::pair{"Text1", "127"}, {"Text2", "0"}, {"Text3", "0"}, {"Text4", "1"}}) {
    EXPECT_EQ(b.window->findChild<AddressBox*>(box)->text(), text) << box;
  }

  b.Click("cmdConnect");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return a.window->Drop1BackColor() == 65280 && b.window->Drop1BackColor() == 65280; }));
  a.Click("cmdCharacter");
  SavegameChooser* chooser = a.window->SavegameChooserWindow();
  ASSERT_NE(chooser, nullptr);
  auto* saves = chooser->findChild<QListWidget*>("File1");
  ASSERT_EQ(saves->count(), 1);
  EXPECT_EQ(saves->item(0)->text(), demo::kSavegame);
  saves->setCurrentRow(0);
  QTest::mouseClick(chooser->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
  a.Click("Command1");

  const fs::path aData = demo::GameDir(folder.Path(), "a") / "Data Files";
  const fs::path bData = demo::GameDir(folder.Path(), "b") / "Data Files";
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return fs::exists(bData / "arena.esp") && a.Idle() && b.Idle(); }, 20000));
  EXPECT_THAT(a.messages, IsEmpty());
  EXPECT_THAT(b.messages, IsEmpty());

  // Every mesh, texture and icon of the demo is named by the character and travels.
  for (const char* media : {"Meshes", "Textures", "Icons"}) {
    SCOPED_TRACE(media);
    const auto sent = FilesBelow(aData / media);
    const auto received = FilesBelow(bData / media);
    EXPECT_FALSE(sent.empty());
    EXPECT_EQ(Names(received), Names(sent));
    for (const auto& [name, bytes] : sent) {
      EXPECT_TRUE(received.count(name) && received.at(name) == bytes) << name << " differs";
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
