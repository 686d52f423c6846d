#include "bridge/launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/app_paths.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "support/fake_ui.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

void MakeExecutable(const TempDir& dir, const std::string& relative, const std::string& script) {
  fs::permissions(dir.Write(relative, script), fs::perms::owner_all);
}

#ifndef _WIN32
// A stand-in for wine or proton that records its arguments, its folder and the variables
// the launch sets, then renames the record into place so the test never reads half of it.
void MakeRecorder(const TempDir& dir, const std::string& relative, const fs::path& record) {
  MakeExecutable(
      dir, relative,
      "#!/bin/sh\n{ printf '%s\\n' \"$@\"; pwd -P; echo \"$WINEPREFIX\"; "
      "echo \"$STEAM_COMPAT_DATA_PATH\"; echo \"$STEAM_COMPAT_CLIENT_INSTALL_PATH\"; } > '" +
          record.string() + ".part' && mv '" + record.string() + ".part' '" + record.string() +
          "'\n");
}
#endif

// What the stand-in recorded; it runs detached, so wait for the record.
std::string Recorded(const fs::path& record) {
  for (int i = 0; i < 1000 && !fs::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ReadWholeFile(record).value_or("");
}

#ifndef _WIN32
TEST(LaunchGame, StartsTheLauncherThroughWineInTheGameFolder) {
  TempDir game, tools;
  const fs::path record = tools.Path() / "record";
  MakeRecorder(tools, "bin/wine", record);
  game.Write("mwscriptextender.EXE", "MZ");
  ScopedEnv path("PATH", (tools.Path() / "bin").string() + ":/usr/bin:/bin");
  ScopedEnv inherited("WINEPREFIX", "/inherited");
  AppPaths paths;
  paths.GameDir = game.Path().string();
  paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";

  for (const std::string prefix : {"/prefix of the game", ""}) {
    FakeUi ui;
    fs::remove(record);
    LaunchGame(paths, {prefix, ""}, ui);
    EXPECT_TRUE(ui.Messages.empty());
    EXPECT_EQ(Recorded(record), (game.Path() / "mwscriptextender.EXE").string() + "\n" +
                                    fs::canonical(game.Path()).string() + "\n" +
                                    (prefix.empty() ? "/inherited" : prefix) + "\n\n\n");
  }
}

TEST(LaunchGame, StartsASteamInstallThroughItsProton) {
  TempDir home;
  const fs::path steam = home.Path() / ".local/share/Steam";
  const fs::path record = home.Path() / "record";
  home.Write(".local/share/Steam/steamapps/common/Morrowind/MWScriptExtender.exe", "MZ");
  MakeRecorder(home, ".local/share/Steam/steamapps/common/Proton 8.0/proton", record);
  ScopedEnv compat("STEAM_COMPAT_DATA_PATH", "/elsewhere"), prefix("WINEPREFIX", "");
  AppPaths paths;
  paths.GameDir = (steam / "steamapps/common/Morrowind").string();
  paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";
  FakeUi ui;
  LaunchGame(paths, {"/unused", home.Path().string()}, ui);
  EXPECT_TRUE(ui.Messages.empty());
  const fs::path root = fs::canonical(steam);
  EXPECT_EQ(Recorded(record), "run\n" + paths.GameDir + "/MWScriptExtender.exe\n" +
                                  (root / "steamapps/common/Morrowind").string() + "\n\n" +
                                  (root / "steamapps/compatdata/22320").string() + "\n" +
                                  root.string() + "\n");
}

#else
// Windows starts the script extender itself, in the game folder.
TEST(LaunchGame, StartsTheLauncherInTheGameFolder) {
  TempDir dir;
  const fs::path game =
      dir.Path() / PathFromUtf8("Gam\u00e9 \u0141\u00f3d\u017a \u0416\u0443\u043a");
  fs::create_directories(game);
  fs::copy_file(PathFromUtf8(QUIB_RECORD_START), game / "MWScriptExtender.exe");
  AppPaths paths;
  paths.GameDir = Utf8FromPath(game);
  paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";
  FakeUi ui;
  LaunchGame(paths, {}, ui);
  EXPECT_TRUE(ui.Messages.empty());
  EXPECT_EQ(Recorded(game / "started.txt"), paths.GameDir);
}
#endif

TEST(LaunchGame, MessagesInsteadOfAStart) {
  struct Case {
    const char* Name;
    bool SaveGame, Launcher, LauncherIsFolder, Wine;
    std::string Text, Title;
    MessageIcon Icon;
    int ChooserOpened;
  };
  const Case cases[] = {
      // Wine is absent here, so a start attempt would show the Wine message instead.
      {"no savegame", false, true, false, false, "Please select a savegame before starting",
       "error", MessageIcon::Exclamation, 1},
      {"no launcher", true, false, false, true, "Please install the ScriptExtender", "",
       MessageIcon::None, 0},
      {"launcher is a folder", true, true, true, true, "Please install the ScriptExtender", "",
       MessageIcon::None, 0},
      {"no wine", true, true, false, false,
       "Wine was not found. Please install Wine to start the game.", "error",
       MessageIcon::Exclamation, 0},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    if (c.SaveGame && c.Launcher && !c.LauncherIsFolder) continue;  // Windows needs no Wine
#endif
    TempDir game, bin;
    AppPaths paths;
    paths.GameDir = game.Path().string();
    if (c.SaveGame) paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";
    if (c.LauncherIsFolder) {
      fs::create_directories(fs::path(paths.GameDir) / "MWScriptExtender.exe");
    } else if (c.Launcher) {
      game.Write("MWScriptExtender.exe", "MZ");
    }
    if (c.Wine) MakeExecutable(bin, "wine", "#!/bin/sh\n");
    ScopedEnv path("PATH", bin.Path().string());
    FakeUi ui;
    LaunchGame(paths, {}, ui);
    ASSERT_EQ(ui.Messages.size(), 1u) << c.Name;
    const FakeUi::Message& m = ui.Messages[0];
    EXPECT_EQ(std::tie(m.Text, m.Title, m.Icon, ui.ChooserOpened),
              std::tie(c.Text, c.Title, c.Icon, c.ChooserOpened))
        << c.Name;
  }
}

}  // namespace
