#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_string.h"

// The fields in which the export steps hand their results to each other, to the arena
// plug-in and to the media list. It holds one character at a time, from the start of an
// export until Reset at its end. Parallel lists always have equal length, and every new id
// has exactly the length of the id it replaces.
struct CharacterPackage {
  // Record files to search, in search order: the savegame's plug-ins, newest day first,
  // then "Savegame". Element 0 is empty when there is no plug-in.
  std::vector<std::string> SourceFiles{""};
  // The savegame's length. The savegame is read in pieces rather than held whole: only its
  // header, its player record and its length are needed.
  int64_t SaveGameLength = 0;
  // The player's NPC_ record with id "play00" and the new spell, head and hair ids.
  ByteString PlayerRecord;

  // Head (BNAM) and hair (KNAM) body-part ids with their NUL, their random replacements
  // (same length, with a NUL) and the offsets of their values in PlayerRecord.
  std::string HeadId;
  std::string NewHeadId;
  int32_t HeadRefPos = 0;
  std::string HairId;
  std::string NewHairId;
  int32_t HairRefPos = 0;
  bool HeadFound = false;
  bool HairFound = false;
  ByteString HeadRecord;
  ByteString HairRecord;

  // Inventory entries (NPCO) in record order; ids with their NUL.
  std::vector<std::string> ItemIds;
  std::vector<bool> ItemFound;
  std::vector<ByteString> ItemRecords;
  std::vector<ByteString> ArmorRecords;
  std::vector<ByteString> ClothingRecords;

  // Spell entries (NPCS) in record order; ids without NUL.
  std::vector<std::string> SpellIds;
  std::vector<bool> SpellFound;
  std::vector<std::string> SpellNewIds;
  std::vector<ByteString> SpellRecords;

  // Every BODY / ENCH record of every searched file, in search order.
  std::vector<ByteString> BodyPartPool;
  std::vector<ByteString> EnchantmentPool;

  // Body parts shown by armour and clothing (ids without NUL) and their records.
  std::vector<std::string> ArmorPartIds;
  std::vector<ByteString> ArmorPartRecords;
  std::vector<std::string> ClothingPartIds;
  std::vector<ByteString> ClothingPartRecords;

  // Enchantments of the found items (ids without NUL), their new ids and records.
  std::vector<std::string> EnchantmentIds;
  std::vector<std::string> EnchantmentNewIds;
  std::vector<ByteString> EnchantmentRecords;

  // Head, hair, enchantments, spells, armour parts, clothing parts, items, joined.
  ByteString CharacterRecords;

  // Back to the empty package of an idle program.
  void Reset() { *this = CharacterPackage(); }
};

// The outcome of an export step that can stop the export: nothing, or the message to show.
using StepError = std::optional<std::string>;
