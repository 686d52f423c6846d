#pragma once

#include <string>

#include "platform/game_installs.h"

struct AppPaths;
class Ui;

// The "Launch Kestrane" command: starts GameDir\MWScriptExtender.exe, or asks for a
// savegame or for the script extender first. On Windows the launcher is started itself; on
// Linux it runs in the Wine world of the game folder (WorldOfGameDir): a Steam install
// through its Proton ("proton run", with Steam's compatibility variables), any other through
// Wine in the folder's prefix. It is started
// with GameDir as working folder and without waiting; when nothing can run it, the user is
// told what is missing.
void LaunchGame(const AppPaths& paths, const InstallSearch& installs, Ui& ui);
