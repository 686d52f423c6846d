#include "records/body_parts_enchantments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "records/record_file.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;

TEST(ResolveBodyParts, ExactIdsOrLowerCasedFirstPersonVariantsInPoolOrder) {
  CharacterPackage p;
  // The writer ends BNAM values in a NUL, as the game's editor does.
  p.ArmorRecords = {ItemRecord(Item("ARMO", "cuirass").WithBodyParts({"Chest", "Arm"}))};
  p.ClothingRecords = {ItemRecord(Item("CLOT", "shirt").WithBodyParts({"Chest"}))};
  p.BodyPartPool = {BodyPartRecord("CHEST"),       BodyPartRecord("Chest"),
                    BodyPartRecord("CHEST.1ST"),   BodyPartRecord("chest.1st"),
                    BodyPartRecord("Chest.1st_x"), BodyPartRecord("Arm"),
                    BodyPartRecord("Chest")};
  ResolveBodyParts(p);
  EXPECT_THAT(p.ArmorPartIds, ElementsAre("Chest", "CHEST.1ST", "chest.1st", "Chest", "Arm"));
  EXPECT_THAT(p.ArmorPartRecords,
              ElementsAre(p.BodyPartPool[1], p.BodyPartPool[2], p.BodyPartPool[3],
                          p.BodyPartPool[6], p.BodyPartPool[5]));
  EXPECT_THAT(p.ClothingPartIds, ElementsAre("Chest", "CHEST.1ST", "chest.1st", "Chest"));
}

}  // namespace
