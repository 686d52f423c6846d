#include "bridge/launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/app_paths.h"
#include "platform/files.h"
#include "support/fake_ui.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

void MakeExecutable(const TempDir& dir, const std::string& relative, const std::string& script) {
  fs::permissions(dir.Write(relative, script), fs::perms::owner_all);
}

TEST(LaunchGame, StartsTheLauncherThroughWineInTheGameFolder) {
  TempDir game, tools;
  const fs::path record = tools.Path() / "record";
  // The fake wine records its arguments, its folder and WINEPREFIX, then renames the record
  // into place so the test never reads half of it.
  MakeExecutable(tools, "bin/wine",
                 "#!/bin/sh\n{ printf '%s\\n' \"$@\"; pwd -P; echo \"$WINEPREFIX\"; } > '" +
                     record.string() + ".part' && mv '" + record.string() + ".part' '" +
                     record.string() + "'\n");
  game.Write("mwscriptextender.EXE", "MZ");
  ScopedEnv path("PATH", (tools.Path() / "bin").string() + ":/usr/bin:/bin");
  ScopedEnv inherited("WINEPREFIX", "/inherited");
  AppPaths paths;
  paths.GameDir = game.Path().string();
  paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";

  for (const std::string prefix : {"/prefix of the game", ""}) {
    FakeUi ui;
    fs::remove(record);
    LaunchGame(paths, prefix, ui);
    EXPECT_TRUE(ui.Messages.empty());
    // Wine runs detached; wait for its record.
    for (int i = 0; i < 1000 && !fs::exists(record); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadWholeFile(record).value_or(""),
              (game.Path() / "mwscriptextender.EXE").string() + "\n" +
                  fs::canonical(game.Path()).string() + "\n" +
                  (prefix.empty() ? "/inherited" : prefix) + "\n");
  }
}

TEST(LaunchGame, MessagesInsteadOfAStart) {
  enum Has { kSave = 1, kLauncher = 2, kLauncherFolder = 4, kWine = 8 };
  const std::tuple<int, FakeUi::Message, int> cases[] = {
      // Wine is absent here, so a start attempt would show the Wine message instead.
      {kLauncher,
       {"Please select a savegame before starting", "error", MessageIcon::Exclamation},
       1},
      {kSave | kWine, {"Please install the ScriptExtender", "", MessageIcon::None}, 0},
      {kSave | kLauncherFolder | kWine,
       {"Please install the ScriptExtender", "", MessageIcon::None},
       0},
      {kSave | kLauncher,
       {"Wine was not found. Please install Wine to start the game.", "error",
        MessageIcon::Exclamation},
       0},
  };
  for (const auto& [has, message, chooserOpened] : cases) {
    SCOPED_TRACE(has);
    TempDir game, bin;
    AppPaths paths;
    paths.GameDir = game.Path().string();
    if (has & kSave) paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";
    if (has & kLauncherFolder) fs::create_directories(game.Path() / "MWScriptExtender.exe");
    if (has & kLauncher) game.Write("MWScriptExtender.exe", "MZ");
    if (has & kWine) MakeExecutable(bin, "wine", "#!/bin/sh\n");
    ScopedEnv path("PATH", bin.Path().string());
    FakeUi ui;
    LaunchGame(paths, "", ui);
    ASSERT_EQ(ui.Messages.size(), 1u);
    const auto& shown = ui.Messages[0];
    EXPECT_EQ(std::tie(shown.Text, shown.Title, shown.Icon),
              std::tie(message.Text, message.Title, message.Icon));
    EXPECT_EQ(ui.ChooserOpened, chooserOpened);
  }
}

}  // namespace
