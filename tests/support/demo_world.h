#pragma once

#include <filesystem>
#include <string>

#include "core/byte_string.h"

// Two players' machines in one folder, for trying a transplant without the game installed.
// For each player p ("a" and "b"):
//   <folder>/<p>/prefix/system.reg  a Wine registry naming C:\Games\Morrowind as the game,
//                                   which the prefix maps to prefix/drive_c/Games/Morrowind
//   <folder>/<p>/program/           the program folder: arena.dat (the shipped template)
// Player "a" owns the demo plug-in "Quib Demo.esp", its meshes, textures and icons and the
// savegame "Demo Hero.ess", whose player wears, carries and knows what the plug-in defines.
// Player "b" has an empty game folder and an Opponent.dat naming 127.0.0.1.
namespace demo {

inline constexpr const char* kPlugin = "Quib Demo.esp";
inline constexpr const char* kSavegame = "Demo Hero.ess";

// The game folder and the program folder of player `player` below `folder`.
std::filesystem::path GameDir(const std::filesystem::path& folder, const std::string& player);
std::filesystem::path ProgramDir(const std::filesystem::path& folder, const std::string& player);
std::filesystem::path WinePrefix(const std::filesystem::path& folder, const std::string& player);

// Writes both players' machines below `folder`, replacing files of an earlier demo. False
// with `error` set when a file cannot be written.
bool WriteDemo(const std::filesystem::path& folder, std::string& error);

}  // namespace demo
