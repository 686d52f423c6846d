#include "records/body_parts_enchantments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST(ResolveEnchantments, EachEnchantedItemGetsItsOwnCopyUnderANewId) {
  CharacterPackage p;
  const ByteString weapon = ItemRecord(Item("WEAP", "sword").WithEnchantment("fire"));
  const ByteString potion = ItemRecord(Item("ALCH", "potion").WithEnchantment("fire"));
  const ByteString master = ItemRecord(Item("CLOT", "ring").WithEnchantment("vanilla"));
  // ENAM followed by another sub-record: replaced where it stands.
  const ByteString book =
      ItemRecord(Item("BOOK", "book").WithEnchantment("fire")) + Sub("TEXT", Z("tail"));
  p.ItemRecords = {weapon, potion, "", master, book};
  p.EnchantmentPool = {EnchantmentRecord("fire", 1), EnchantmentRecord("fire", 2)};
  NameGenerator names;
  ResolveEnchantments(names, p);

  EXPECT_THAT(p.EnchantmentIds, ElementsAre("fire", "fire"));
  ASSERT_EQ(p.EnchantmentNewIds.size(), 2u);
  EXPECT_NE(p.EnchantmentNewIds[0], p.EnchantmentNewIds[1]);
  for (size_t j = 0; j < 2; ++j) {
    EXPECT_EQ(p.EnchantmentRecords[j],
              ReplaceId(EnchantmentRecord("fire", 1), p.EnchantmentNewIds[j]));
  }
  ByteString expectedWeapon = weapon;
  expectedWeapon.replace(weapon.size() - 5, 4, p.EnchantmentNewIds[0]);
  ByteString expectedBook = book;
  expectedBook.replace(book.find("ENAM") + 8, 4, p.EnchantmentNewIds[1]);
  EXPECT_THAT(p.ItemRecords, ElementsAre(expectedWeapon, potion, "", master, expectedBook));
}

}  // namespace
