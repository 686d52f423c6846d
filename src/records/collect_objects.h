#pragma once

#include "records/character_package.h"

struct AppPaths;
class NameGenerator;
class Ui;

// Collects every record the character depends on. Builds the inventory (NPCO) and spell
// (NPCS) lists from PlayerRecord, then walks SourceFiles in order: the first file that
// holds an item, spell, head or hair record wins; spells, head and hair get their new ids
// in their records and in PlayerRecord; every BODY and ENCH record goes to the pools. A
// file that cannot be walked to its end keeps what it delivered and the search goes on
// with the next one. Finally resolves body parts and enchantments and fills
// CharacterRecords. Shows "Inspecting: " + file in Label3 and moves bar1 and the
// within-file progress; the walks yield to the window after every record.
void CollectObjects(const AppPaths& paths, NameGenerator& names, Ui& ui, CharacterPackage& package);

// The inventory ids of a player record: per NPCO, its id field up to and including the
// first NUL (the whole field when it holds none).
std::vector<std::string> InventoryIds(const ByteString& playerRecord);

// The spell ids of a player record: per NPCS, its value up to its first NUL.
std::vector<std::string> SpellIdsOf(const ByteString& playerRecord);
