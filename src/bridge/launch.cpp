#include "bridge/launch.h"

#include "core/app_paths.h"
#include "core/ui.h"
#include "platform/game_path.h"
#include "platform/start_program.h"

void LaunchGame(const AppPaths& paths, const std::string& winePrefix, Ui& ui) {
  if (paths.SaveGamePath.empty()) {
    ui.ShowMessage("Please select a savegame before starting", "error", MessageIcon::Exclamation);
    ui.OpenSavegameChooser();
    return;
  }
  const auto launcher = GamePath(paths.GameDir, "\\MWScriptExtender.exe");
  if (paths.GameDir == kNotFound || !NormalFileExists(launcher)) {
    ui.ShowMessage("Please install the ScriptExtender", "", MessageIcon::None);
    return;
  }
  const auto wine = FindProgramOnPath("wine");
  if (wine.empty()) {
    ui.ShowMessage("Wine was not found. Please install Wine to start the game.", "error",
                   MessageIcon::Exclamation);
    return;
  }
  ProgramStart start;
  start.Program = wine;
  start.Arguments = {launcher.string()};
  start.WorkingFolder = paths.GameDir;
  if (!winePrefix.empty()) start.Environment = {{"WINEPREFIX", winePrefix}};
  // A launcher that fails to start is not reported: the game shows it by not starting.
  StartProgram(start);
}
