#pragma once

#include <string>
#include <vector>

// The savegames the savegame chooser lists: the names (UTF-8) of the files, not hidden, in
// the game's Saves folder ending in ".ess" in any case, that the game's code page can spell,
// sorted without regard to case. Empty when the folder cannot be read.
std::vector<std::string> ListSavegames(const std::string& gameDir);
