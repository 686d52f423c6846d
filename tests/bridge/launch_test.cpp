#include "bridge/launch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "core/app_paths.h"
#include "platform/files.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() {
    paths.GameDir = (game.Path() / "Morrowind").string();
    paths.SaveGamePath = paths.GameDir + "\\Saves\\one.ess";
    fs::create_directories(paths.GameDir);
    record = tools.Path() / "wine-record.txt";
  }

  // A fake `wine` in its own folder that records its arguments, folder and WINEPREFIX.
  void InstallFakeWine() {
    const fs::path wine = tools.Write("bin/wine",
                                      "#!/bin/sh\n{ printf '%s\\n' \"$@\"; pwd -P; printf '%s\\n' "
                                      "\"${WINEPREFIX-unset}\"; } > '" +
                                          record.string() + ".part' && mv '" + record.string() +
                                          ".part' '" + record.string() + "'\n");
    fs::permissions(wine, fs::perms::owner_all);
  }
  void InstallLauncher(const std::string& name) { game.Write("Morrowind/" + name, "MZ"); }
  // The fake wine runs detached; wait for its record.
  std::string WaitForRecord() {
    for (int i = 0; i < 1000 && !fs::exists(record); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadWholeFile(record).value_or("");
  }

  TempDir game;
  TempDir tools;
  fs::path record;
  AppPaths paths;
  FakeUi ui;
  ScopedEnv path{"PATH", (tools.Path() / "bin").string() + ":/usr/bin:/bin"};
};

TEST_F(LaunchTest, StartsTheLauncherThroughWineInTheGameFolder) {
  InstallFakeWine();
  InstallLauncher("mwscriptextender.EXE");
  LaunchGame(paths, "/prefix/of the game", ui);
  EXPECT_TRUE(ui.Messages.empty());
  const std::string expected = (fs::path(paths.GameDir) / "mwscriptextender.EXE").string() + "\n" +
                               fs::canonical(paths.GameDir).string() + "\n/prefix/of the game\n";
  EXPECT_EQ(WaitForRecord(), expected);
}

TEST_F(LaunchTest, EmptyWinePrefixKeepsTheInheritedOne) {
  ScopedEnv prefix("WINEPREFIX", "/inherited");
  InstallFakeWine();
  InstallLauncher("MWScriptExtender.exe");
  LaunchGame(paths, "", ui);
  EXPECT_NE(WaitForRecord().find("\n/inherited\n"), std::string::npos);
}

TEST_F(LaunchTest, MessagesInsteadOfAStart) {
  struct Case {
    const char* Name;
    bool SaveGame, Launcher, LauncherIsFolder, Wine;
    FakeUi::Message Expected;
    int ChooserOpened;
  };
  const Case cases[] = {
      // Wine is absent here, so a start attempt would show the Wine message instead.
      {"no savegame",
       false,
       true,
       false,
       false,
       {"Please select a savegame before starting", "error", MessageIcon::Exclamation},
       1},
      {"no launcher",
       true,
       false,
       false,
       true,
       {"Please install the ScriptExtender", "", MessageIcon::None},
       0},
      {"launcher is a folder",
       true,
       true,
       true,
       true,
       {"Please install the ScriptExtender", "", MessageIcon::None},
       0},
      {"no wine",
       true,
       true,
       false,
       false,
       {"Wine was not found. Please install Wine to start the game.", "error",
        MessageIcon::Exclamation},
       0},
  };
  for (const auto& c : cases) {
    TempDir folder;
    AppPaths casePaths;
    casePaths.GameDir = folder.Path().string();
    if (c.SaveGame) casePaths.SaveGamePath = casePaths.GameDir + "\\Saves\\one.ess";
    if (c.LauncherIsFolder) {
      fs::create_directories(folder.Path() / "MWScriptExtender.exe");
    } else if (c.Launcher) {
      folder.Write("MWScriptExtender.exe", "MZ");
    }
    TempDir bin;
    if (c.Wine) {
      const fs::path wine = bin.Write("wine", "#!/bin/sh\n");
      fs::permissions(wine, fs::perms::owner_all);
    }
    ScopedEnv casePath("PATH", bin.Path().string());
    FakeUi caseUi;
    LaunchGame(casePaths, "", caseUi);
    ASSERT_EQ(caseUi.Messages.size(), 1u) << c.Name;
    EXPECT_EQ(caseUi.Messages[0].Text, c.Expected.Text) << c.Name;
    EXPECT_EQ(caseUi.Messages[0].Title, c.Expected.Title) << c.Name;
    EXPECT_EQ(caseUi.Messages[0].Icon, c.Expected.Icon) << c.Name;
    EXPECT_EQ(caseUi.ChooserOpened, c.ChooserOpened) << c.Name;
  }
}

}  // namespace
