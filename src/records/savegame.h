#pragma once

#include <filesystem>

#include "records/character_package.h"

struct AppPaths;
class NameGenerator;

// The savegame file that AppPaths::SaveGamePath names (GameDir + "\Saves\" + name), found
// without regard to letter case below the game folder.
std::filesystem::path SavegameFile(const AppPaths& paths);

// Reads the chosen savegame into the package: SourceFiles (the savegame's existing plug-in
// masters newest day first, the three game masters left out, then "Savegame"),
// SaveGameLength, PlayerRecord (renamed "play00") and the head and hair ids with their new
// random ids and positions. A savegame that cannot be read, lacks a TES3 header, has a
// master list running past its end or holds no player record gives the message to show;
// the package is then left as it was. A player record without BNAM or KNAM travels without
// head or hair.
StepError ReadSavegame(const AppPaths& paths, NameGenerator& names, CharacterPackage& package);
