#pragma once

#include <string>
#include <vector>

// The file work of start-up, apart from the window.

// Readies a known game folder for the script extender: creates Data Files\MWSE and the
// folders above it, deletes an old MWScriptExtender.log when `deleteLog` (only when the
// folder came from the registry) and writes the link word 0 over the first four bytes of
// remotepc, creating it when missing and keeping the bytes behind the word. Each step that
// fails is skipped.
void PrepareGameFolder(const std::string& gameDir, bool deleteLog);

// The address box texts of the last peer from the program folder's Opponent.dat: the
// decimal text of each of its first four bytes; fewer for a shorter file, none without one.
std::vector<std::string> OpponentAddressTexts(const std::string& programDir);
