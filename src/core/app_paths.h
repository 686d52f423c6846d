#pragma once

#include <string>

// Where things are: the game installation, the chosen savegame and the program's own folder.
struct AppPaths {
  // The game folder without a trailing separator; "Not Found" until known.
  std::string GameDir = "Not Found";
  // GameDir + "\Saves\" + the chosen savegame's name; empty until chosen.
  std::string SaveGamePath;
  // Quib's own folder: Opponent.dat and temporary files live here (the program's folder, or
  // the user's data folder when the program's is not writable).
  std::string ProgramDir;
  // The arena template plug-in: arena.dat beside the program or in the install's data folder.
  std::string ArenaTemplatePath;
};

inline constexpr const char* kNotFound = "Not Found";
