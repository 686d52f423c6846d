#include "records/savegame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "records/record_file.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Read {
  GameFolder game;
  NameGenerator names;
  CharacterPackage package;
  StepError Run(const ByteString& savegame) {
    game.WriteSavegame("a.ess", savegame);
    return ReadSavegame(game.Paths(), names, package);
  }
};

TEST(ReadSavegame, KeepsExistingPluginsNewestDayFirstThenTheSavegame) {
  const struct {
    std::vector<std::string> listed;                  // MAST names in the savegame, in order
    std::vector<std::pair<std::string, int>> onDisk;  // plug-ins in Data Files, days ago
    std::vector<std::string> expected;                // SourceFiles
  } cases[] = {
      // The game's masters never travel, in any letter case, even when present.
      {{"Morrowind.esm", "TRIBUNAL.ESM", "bloodmoon.ESM"},
       {{"Morrowind.esm", 0}, {"Tribunal.esm", 0}},
       {"", "Savegame"}},
      // A missing plug-in is skipped; the lookup ignores letter case.
      {{"gone.esp", "Mixed.ESP"}, {{"mixed.esp", 1}}, {"Mixed.ESP", "Savegame"}},
      // Names with a path are no plug-in of Data Files, even where such a file exists.
      {{"..\\x.esp", "C:\\x.esp", "one.esp"},
       {{"..\\x.esp", 1}, {"C:\\x.esp", 1}, {"one.esp", 2}},
       {"one.esp", "Savegame"}},
      {{"old.esp", "new.esp", "mid.esp"},
       {{"old.esp", 9}, {"new.esp", 1}, {"mid.esp", 5}},
       {"new.esp", "mid.esp", "old.esp", "Savegame"}},
  };
  for (const auto& c : cases) {
    Read r;
    for (const auto& [name, days] : c.onDisk) {
#ifdef _WIN32
      // Windows holds no folder named "C:"; one made under Wine leads back to its parent,
      // and removing the test folder then walks it round until the server has no handles left.
      if (name.starts_with("C:")) continue;
#endif
      r.game.WriteDataFile(name, "x", days);
    }
    std::vector<MasterFile> masters;
    for (const auto& name : c.listed) masters.push_back({name, 1});
    ASSERT_EQ(r.Run(Savegame(masters, {NpcRecord({})})), std::nullopt);
    EXPECT_EQ(r.package.SourceFiles, c.expected) << c.listed[0];
  }
}

TEST(ReadSavegame, TakesTheFirstPlayerRecordAndPreparesHeadAndHair) {
  Npc other("guard"), player("player"), bald("player");
  player.Head = "b_head";
  player.Hair = "b_hair_long";
  bald.Head = bald.Hair = "";
  Read r;
  ASSERT_EQ(r.Run(Savegame({}, {NpcRecord(other), NpcRecord(player), NpcRecord(bald)})),
            std::nullopt);
  const CharacterPackage& p = r.package;
  ByteString expected = NpcRecord(player);
  expected.replace(24, 6, "play00");
  EXPECT_EQ(p.PlayerRecord, expected);
  EXPECT_EQ(p.SaveGameLength, r.game.Dir().Read("Morrowind/Saves/a.ess").size());
  EXPECT_EQ(p.PlayerRecord.substr(p.HeadRefPos, 7), ByteString("b_head\0", 7));
  EXPECT_EQ(p.PlayerRecord.substr(p.HairRefPos, 12), ByteString("b_hair_long\0", 12));
  for (const auto& [id, newId] :
       {std::pair{p.HeadId, p.NewHeadId}, std::pair{p.HairId, p.NewHairId}}) {
    EXPECT_EQ(newId.size(), id.size());
    EXPECT_EQ(newId.back(), '\0');
    EXPECT_NE(newId, id);
  }

  Read without;  // a player without head or hair travels without
  ASSERT_EQ(without.Run(Savegame({}, {NpcRecord(bald)})), std::nullopt);
  EXPECT_TRUE(without.package.HeadId.empty() && without.package.NewHeadId.empty());
  EXPECT_TRUE(without.package.HairId.empty() && without.package.NewHairId.empty());
}

TEST(ReadSavegame, DamagedSavegamesGiveAClearMessageAndChangeNothing) {
  const ByteString good = Savegame({{"Morrowind.esm", 1}}, {NpcRecord({})});
  const size_t mast = good.find("MAST");
  const size_t npc = good.find("NPC_");
  const auto at = [&](size_t pos, size_t n, const ByteString& with) {
    return ByteString(good).replace(pos, n, with);
  };
  const std::pair<ByteString, std::string> cases[] = {
      {"", "a.ess"},
      {at(0, 4, "TES4"), "TES3 header"},
      {good.substr(0, 20), "TES3 header"},
      {at(20, 4, LongToBytes(-16)), "header runs past the end"},
      {at(mast + 4, 4, LongToBytes(-16)), "list of plug-ins runs past the end"},
      {good.substr(0, mast + 12), "header runs past the end"},
      {at(npc + 24, 6, "nobody"), "holds no player record"},
      {at(npc + 4, 4, LongToBytes(-16)), "player record runs past the end"},
      {good.substr(0, good.size() - 10), "past the end"},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    Read r;
    const StepError error = r.Run(bytes);
    ASSERT_TRUE(error.has_value());
    EXPECT_THAT(*error, HasSubstr(message));
    EXPECT_THAT(r.package.SourceFiles, ElementsAre(""));
    EXPECT_TRUE(r.package.PlayerRecord.empty());
  }
  Read r;
  r.game.Paths().SaveGamePath = r.game.Paths().GameDir + "\\Saves\\missing.ess";
  EXPECT_EQ(ReadSavegame(r.game.Paths(), r.names, r.package),
            "The savegame missing.ess cannot be read.");
}

}  // namespace
