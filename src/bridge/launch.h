#pragma once

#include <string>

struct AppPaths;
class Ui;

// The "Launch Kestrane" command: starts GameDir\MWScriptExtender.exe (through Wine on Linux,
// with the given Wine prefix), or asks for a savegame or for the script extender first.
// The launcher is started with no parameters, GameDir as working folder and without waiting;
// when Wine is not on the PATH the user is told so.
void LaunchGame(const AppPaths& paths, const std::string& winePrefix, Ui& ui);
