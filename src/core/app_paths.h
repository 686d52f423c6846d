#pragma once

#include <string>

// Where things are: the game installation, the chosen savegame and the program's own folder.
struct AppPaths {
  // The game folder without a trailing separator; "Not Found" until known.
  std::string GameDir = "Not Found";
  // GameDir + "\Saves\" + the chosen savegame's name; empty until chosen.
  std::string SaveGamePath;
  // The folder of the program file: Opponent.dat, arena.dat and temporary files live here.
  std::string ProgramDir;
  // ProgramDir + "/arena.dat".
  std::string ArenaTemplatePath;
};

inline constexpr const char* kNotFound = "Not Found";
