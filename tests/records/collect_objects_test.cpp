#include "records/collect_objects.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "records/record_file.h"
#include "records/savegame.h"
#include "support/fake_ui.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;

ByteString Misc(const std::string& id, const std::string& name) {
  return ItemRecord(Item("MISC", id).WithName(name));
}

// Reads the savegame and collects, as the export does.
struct Collection {
  GameFolder game;
  NameGenerator names;
  FakeUi ui;
  CharacterPackage package;

  void Run(const ByteString& savegame) {
    game.WriteSavegame("a.ess", savegame);
    ASSERT_EQ(ReadSavegame(game.Paths(), names, package), std::nullopt);
    CollectObjects(game.Paths(), names, ui, package);
  }
};

TEST(CollectObjects, FirstFileInSearchOrderWinsAndEntriesTakeTheirRecords) {
  Collection c;
  c.game.WriteDataFile("older.esp", File({}, {Misc("ring", "Older"), SpellRecord("fire", "Older")}),
                       5);
  c.game.WriteDataFile("newer.esp", File({}, {Misc("ring", "Newer")}), 1);
  Npc player;
  player.Inventory = {{1, "ring"}, {3, "iron_sword"}, {2, "ring"}};
  player.Spells = {"fire", "frost", "shield"};
  // The savegame is the newest file and still searched last.
  c.Run(Savegame({{"Morrowind.esm"}, {"older.esp"}, {"newer.esp"}},
                 {Misc("ring", "Save"), SpellRecord("fire", "Save"), SpellRecord("frost", "Save"),
                  NpcRecord(player)}));
  const CharacterPackage& p = c.package;
  EXPECT_THAT(p.ItemFound, ElementsAre(true, false, true));
  EXPECT_THAT(p.ItemRecords, ElementsAre(Misc("ring", "Newer"), "", Misc("ring", "Newer")));
  ASSERT_EQ(p.SpellNewIds.size(), 3u);
  EXPECT_THAT(p.SpellRecords,
              ElementsAre(ReplaceId(SpellRecord("fire", "Older"), p.SpellNewIds[0]),
                          ReplaceId(SpellRecord("frost", "Save"), p.SpellNewIds[1]), ""));
  // Found spells carry their new ids in the player's NPCS values; the rest keep theirs.
  EXPECT_THAT(SpellIdsOf(p.PlayerRecord),
              ElementsAre(p.SpellNewIds[0], p.SpellNewIds[1], "shield"));
  EXPECT_EQ(p.CharacterRecords,
            p.SpellRecords[0] + p.SpellRecords[1] + p.ItemRecords[0] + p.ItemRecords[2]);
  EXPECT_THAT(c.ui.Label3, ElementsAre("Inspecting: newer.esp", "Inspecting: older.esp",
                                       "Inspecting: Savegame"));
}

TEST(CollectObjects, OneBodyPartServesHeadAndHairAndTheEmptyFirstElementIsSkipped) {
  Collection c;
  Npc player;
  player.Head = player.Hair = "b_both";
  const ByteString first = BodyPartRecord("b_both", "b\\first.nif");
  const ByteString second = BodyPartRecord("b_both", "b\\second.nif");
  c.Run(Savegame({}, {first, NpcRecord(player), second}));
  const CharacterPackage& p = c.package;
  EXPECT_TRUE(p.HeadFound && p.HairFound);
  const auto withoutNul = [](const std::string& id) { return id.substr(0, id.size() - 1); };
  EXPECT_EQ(p.HeadRecord, ReplaceId(first, withoutNul(p.NewHeadId)));
  EXPECT_EQ(p.HairRecord, ReplaceId(first, withoutNul(p.NewHairId)));
  EXPECT_EQ(p.PlayerRecord.substr(p.HeadRefPos, 7), p.NewHeadId);
  EXPECT_EQ(p.PlayerRecord.substr(p.HairRefPos, 7), p.NewHairId);
  EXPECT_THAT(p.BodyPartPool, ElementsAre(first, second));
  EXPECT_EQ(p.CharacterRecords, p.HeadRecord + p.HairRecord);
}

TEST(CollectObjects, DamagedPluginKeepsWhatItDeliveredAndTheSearchGoesOn) {
  for (const bool cutOff : {true, false}) {
    SCOPED_TRACE(cutOff ? "cut off" : "size 0xFFFFFFF0");
    Collection c;
    ByteString bad = File({}, {Misc("ring", "Bad"), SpellRecord("fire", "Bad")});
    if (cutOff) {
      bad.resize(bad.size() - 5);
    } else {
      bad.replace(bad.find("SPEL") + 4, 4, LongToBytes(static_cast<int32_t>(0xFFFFFFF0)));
    }
    c.game.WriteDataFile("bad.esp", bad, 1);
    Npc player;
    player.Inventory = {{1, "ring"}};
    player.Spells = {"fire"};
    c.Run(Savegame({{"bad.esp"}}, {SpellRecord("fire", "Save"), NpcRecord(player)}));
    EXPECT_EQ(c.package.ItemRecords[0], Misc("ring", "Bad"));
    EXPECT_EQ(c.package.SpellRecords[0],
              ReplaceId(SpellRecord("fire", "Save"), c.package.SpellNewIds[0]));
  }
}

TEST(CollectObjects, RealPluginYieldsBodyPartsAndFreshEnchantments) {
  Collection c;
  c.game.WriteDataFile("all_types.esp", RealTestFile("all_types.esp"), 1);
  Npc player;
  player.Inventory = {{1, "test_armor"},   {1, "test_clothing"}, {1, "test_weapon"},
                      {1, "test_alchemy"}, {1, "test_book"},     {1, "test_misc"},
                      {1, "test_lockpick"}};
  player.Spells = {"test_spellmaking"};
  c.Run(Savegame({{"Morrowind.esm"}, {"all_types.esp"}}, {NpcRecord(player)}));
  const CharacterPackage& p = c.package;
  // The editor ends BNAM and CNAM values in a NUL; male and female parts are found.
  EXPECT_THAT(p.ArmorPartIds, ElementsAre("test_bodypart_a", "test_bodypart_a_f"));
  EXPECT_THAT(p.ClothingPartIds, ElementsAre("test_bodypart_c", "test_bodypart_c_f"));
  EXPECT_EQ(std::set<std::string>(p.EnchantmentNewIds.begin(), p.EnchantmentNewIds.end()).size(),
            4u);
  // Armour, clothing, weapon and book (inventory 0, 1, 2, 4) name their own new ids.
  const size_t enchanted[] = {0, 1, 2, 4};
  for (size_t j = 0; j < 4; ++j) {
    const ByteString& item = p.ItemRecords[enchanted[j]];
    EXPECT_EQ(SubrecordValue(item, item.find("ENAM")), Z(p.EnchantmentNewIds[j]));
  }
  std::vector<std::string> types;
  for (size_t at = 0; at + 16 <= p.CharacterRecords.size();
       at += 16 + static_cast<uint32_t>(BytesToLongAt(p.CharacterRecords, at + 4))) {
    types.push_back(p.CharacterRecords.substr(at, 4));
  }
  EXPECT_THAT(types, ElementsAre("ENCH", "ENCH", "ENCH", "ENCH", "SPEL", "BODY", "BODY", "BODY",
                                 "BODY", "ARMO", "CLOT", "WEAP", "ALCH", "BOOK", "MISC", "LOCK"));
}

TEST(CollectObjects, EveryWantedTypeIsTakenAndLookAlikeTypesAreNot) {
  // Wanted records, ids of 1 to 11 characters, each beside a look-alike of a type the walk
  // passes over that carries the same id.
  const std::vector<std::pair<std::string, std::string>> wanted = {
      {"CLOT", "c"},         {"ALCH", "al"},         {"ARMO", "arm"},       {"MISC", "misc"},
      {"INGR", "ingre"},     {"WEAP", "weapon"},     {"APPA", "appara_"},   {"BOOK", "book_001"},
      {"LIGH", "light_002"}, {"PROB", "probe_0003"}, {"REPA", "repair_004"}};
  std::vector<ByteString> records;
  Npc player;
  for (const auto& [type, id] : wanted) {
    std::string lookAlike = type;
    lookAlike[3] = static_cast<char>(lookAlike[3] ^ 0x20);  // MISC -> MISc
    records.push_back(Record(lookAlike, {Sub("NAME", Z(id)), Sub("MODL", Z("fake"))}));
    records.push_back(ItemRecord(Item(type, id)));
    player.Inventory.push_back({1, id});
  }
  for (const char* type : {"SPEl", "ENCh", "BODy", "SPEL", "ENCH", "BODY"}) {
    records.push_back(Record(type, {Sub("NAME", Z("magic")), Sub("DATA", Z(type))}));
  }
  player.Spells = {"magic"};
  Collection c;
  c.game.WriteDataFile("types.esp", File({}, records), 1);
  c.Run(Savegame({{"types.esp"}}, {NpcRecord(player)}));
  for (size_t k = 0; k < wanted.size(); ++k) {
    EXPECT_EQ(c.package.ItemRecords[k], records[2 * k + 1]) << wanted[k].first;
  }
  EXPECT_EQ(c.package.SpellRecords[0].substr(0, 4), "SPEL");
  EXPECT_THAT(c.package.EnchantmentPool, ElementsAre(records.end()[-2]));
  EXPECT_THAT(c.package.BodyPartPool, ElementsAre(records.end()[-1]));
}

}  // namespace
