#include "bridge/launch.h"

#include "core/app_paths.h"
#include "core/ui.h"
#include "platform/game_path.h"
#include "platform/path_text.h"
#include "platform/start_program.h"

void LaunchGame(const AppPaths& paths, const InstallSearch& installs, Ui& ui) {
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
  // The game runs in the Wine world its folder belongs to.
  const GameWorld world = WorldOfGameDir(paths.GameDir, installs);
  ProgramStart start;
  start.WorkingFolder = PathFromUtf8(paths.GameDir);
  if (world.Native) {
    start.Program = launcher;
  } else if (world.Steam) {
    if (world.Proton.empty()) {
      ui.ShowMessage(
          "Proton was not found in your Steam libraries. Please install Proton in Steam to "
          "start the game.",
          "error", MessageIcon::Exclamation);
      return;
    }
    start.Program = world.Proton;
    start.Arguments = {"run", Utf8FromPath(launcher)};
    start.Environment = {{"STEAM_COMPAT_DATA_PATH", Utf8FromPath(world.CompatData)},
                         {"STEAM_COMPAT_CLIENT_INSTALL_PATH", Utf8FromPath(world.SteamClient)}};
  } else {
    start.Program = FindProgramOnPath("wine");
    if (start.Program.empty()) {
      ui.ShowMessage("Wine was not found. Please install Wine to start the game.", "error",
                     MessageIcon::Exclamation);
      return;
    }
    start.Arguments = {Utf8FromPath(launcher)};
    if (!world.Prefix.empty()) start.Environment = {{"WINEPREFIX", Utf8FromPath(world.Prefix)}};
  }
  // A launcher that fails to start is not reported: the game shows it by not starting.
  StartProgram(start);
}
