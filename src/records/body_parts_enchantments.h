#pragma once

#include "records/character_package.h"

class NameGenerator;

// The last stage of the object collection, run once every file has been searched.

// For every BNAM (male) and CNAM (female) value of the armour and clothing records (in
// record order), every
// BodyPartPool record whose id equals the value, or whose lower-cased id equals the
// lower-cased value + ".1st", in pool order. Values are compared without their trailing
// NULs, which the game's editor writes.
void ResolveBodyParts(CharacterPackage& package);

// For every found item except potions, in inventory order: the first EnchantmentPool
// record named by the item's first ENAM gets a fresh random id, in its own copy and in the
// item's ENAM value (replaced where it stands). Each item gets its own copy and id.
void ResolveEnchantments(NameGenerator& names, CharacterPackage& package);

// CharacterRecords = head, hair, enchantments, spells, armour parts, clothing parts, items.
void AssembleCharacterRecords(CharacterPackage& package);

// The three above, in order.
void CompleteCharacterRecords(NameGenerator& names, CharacterPackage& package);
