#pragma once

#include <string>

struct AppPaths;
class Ui;

// The "Launch Kestrane" command: starts GameDir\MWScriptExtender.exe (through Wine on Linux,
// with the given Wine prefix), or asks for a savegame or for the script extender first.
void LaunchGame(const AppPaths& paths, const std::string& winePrefix, Ui& ui);
