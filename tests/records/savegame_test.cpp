#include "records/savegame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "records/record_file.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

struct MastersCase {
  std::vector<std::string> listed;                  // MAST names in the savegame, in order
  std::vector<std::pair<std::string, int>> onDisk;  // plug-ins in Data Files, days ago
  std::vector<std::string> expected;                // SourceFiles
};

class MastersTest : public ::testing::TestWithParam<MastersCase> {};

TEST_P(MastersTest, KeepsExistingPluginsNewestDayFirstThenTheSavegame) {
  GameFolder game;
  for (const auto& [name, days] : GetParam().onDisk) game.WriteDataFile(name, "x", days);
  std::vector<MasterFile> masters;
  for (const auto& name : GetParam().listed) masters.push_back({name, 1});
  game.WriteSavegame("a.ess", Savegame(masters, {NpcRecord({})}));
  NameGenerator names;
  CharacterPackage package;
  ASSERT_EQ(ReadSavegame(game.Paths(), names, package), std::nullopt);
  EXPECT_THAT(package.SourceFiles, ElementsAreArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Masters, MastersTest,
    ::testing::Values(
        // The game's masters never travel, in any letter case, even when present.
        MastersCase{{"Morrowind.esm", "TRIBUNAL.ESM", "bloodmoon.ESM"},
                    {{"Morrowind.esm", 0}, {"Tribunal.esm", 0}},
                    {"", "Savegame"}},
        MastersCase{{"Morrowind.esm", "one.esp"}, {{"one.esp", 3}}, {"one.esp", "Savegame"}},
        // A missing plug-in is skipped; the lookup ignores letter case.
        MastersCase{{"gone.esp", "Mixed.ESP"}, {{"mixed.esp", 1}}, {"Mixed.ESP", "Savegame"}},
        // Names with a path are no plug-in of Data Files, even where such a file exists.
        MastersCase{{"..\\x.esp", "C:\\x.esp", "one.esp"},
                    {{"..\\x.esp", 1}, {"C:\\x.esp", 1}, {"one.esp", 2}},
                    {"one.esp", "Savegame"}},
        MastersCase{{"old.esp", "new.esp", "mid.esp"},
                    {{"old.esp", 9}, {"new.esp", 1}, {"mid.esp", 5}},
                    {"new.esp", "mid.esp", "old.esp", "Savegame"}}));

TEST(ReadSavegame, TakesTheFirstPlayerRecordAndPreparesHeadAndHair) {
  GameFolder game;
  Npc other;
  other.Id = "guard";
  Npc player;
  player.Id = "player";
  player.Head = "b_head";
  player.Hair = "b_hair_long";
  game.WriteSavegame("a.ess", Savegame({}, {NpcRecord(other), NpcRecord(player)}));
  NameGenerator names;
  CharacterPackage package;
  ASSERT_EQ(ReadSavegame(game.Paths(), names, package), std::nullopt);

  ByteString expected = NpcRecord(player);
  expected.replace(24, 6, "play00");
  EXPECT_EQ(package.PlayerRecord, expected);
  EXPECT_EQ(package.SaveGameLength, game.Dir().Read("Morrowind/Saves/a.ess").size());
  EXPECT_EQ(package.HeadId, ByteString("b_head\0", 7));
  EXPECT_EQ(package.HairId, ByteString("b_hair_long\0", 12));
  EXPECT_EQ(package.PlayerRecord.substr(package.HeadRefPos, 7), package.HeadId);
  EXPECT_EQ(package.PlayerRecord.substr(package.HairRefPos, 12), package.HairId);
  for (const auto& [id, newId] : {std::pair{package.HeadId, package.NewHeadId},
                                  std::pair{package.HairId, package.NewHairId}}) {
    EXPECT_EQ(newId.size(), id.size());
    EXPECT_EQ(newId.back(), '\0');
    EXPECT_NE(newId, id);
  }
}

TEST(ReadSavegame, PlayerWithoutHeadOrHairTravelsWithout) {
  GameFolder game;
  Npc player;
  player.Head = "";
  player.Hair = "";
  game.WriteSavegame("a.ess", Savegame({}, {NpcRecord(player)}));
  NameGenerator names;
  CharacterPackage package;
  ASSERT_EQ(ReadSavegame(game.Paths(), names, package), std::nullopt);
  EXPECT_TRUE(package.HeadId.empty() && package.NewHeadId.empty());
  EXPECT_TRUE(package.HairId.empty() && package.NewHairId.empty());
}

struct DamageCase {
  std::string name;
  std::function<ByteString(ByteString)> damage;
  std::string message;
};

TEST(ReadSavegame, DamagedSavegamesGiveAClearMessageAndChangeNothing) {
  const ByteString good = Savegame({{"Morrowind.esm", 1}}, {NpcRecord({})});
  const size_t mast = good.find("MAST");
  const size_t npc = good.find("NPC_");
  const std::vector<DamageCase> cases = {
      {"empty", [](ByteString) { return ByteString(); }, "is damaged"},
      {"not TES3", [](ByteString s) { return s.replace(0, 4, "TES4"); }, "TES3 header"},
      {"cut in the header", [](ByteString s) { return s.substr(0, 20); }, "TES3 header"},
      {"huge HEDR", [](ByteString s) { return s.replace(20, 4, LongToBytes(-16)); },
       "header runs past the end"},
      {"huge MAST", [&](ByteString s) { return s.replace(mast + 4, 4, LongToBytes(-16)); },
       "list of plug-ins runs past the end"},
      {"cut after MAST", [&](ByteString s) { return s.substr(0, mast + 12); },
       "header runs past the end"},
      {"no player", [&](ByteString s) { return s.replace(npc + 24, 6, "nobody"); },
       "holds no player record"},
      {"huge player", [&](ByteString s) { return s.replace(npc + 4, 4, LongToBytes(-16)); },
       "player record runs past the end"},
      {"cut player", [&](ByteString s) { return s.substr(0, s.size() - 10); }, "past the end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GameFolder game;
    game.WriteSavegame("a.ess", c.damage(good));
    NameGenerator names;
    CharacterPackage package;
    const StepError error = ReadSavegame(game.Paths(), names, package);
    ASSERT_TRUE(error.has_value());
    EXPECT_THAT(*error, HasSubstr(c.message == "is damaged" ? "a.ess" : c.message));
    EXPECT_THAT(package.SourceFiles, ElementsAre(""));
    EXPECT_TRUE(package.PlayerRecord.empty());
  }
  GameFolder game;
  game.Paths().SaveGamePath = game.Paths().GameDir + "\\Saves\\missing.ess";
  NameGenerator names;
  CharacterPackage package;
  EXPECT_EQ(ReadSavegame(game.Paths(), names, package), "The savegame missing.ess cannot be read.");
}

}  // namespace
