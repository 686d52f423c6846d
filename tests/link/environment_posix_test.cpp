#include "link/environment.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(EnvironmentDefault, VariablesSetThePortsAndTurnRouterMappingOff) {
  ScopedEnv port("QUIB_PORT", "6113"), dial("QUIB_DIAL_PORT", "61x2"),
      mapping("QUIB_PORT_MAPPING", std::nullopt);
  const Environment env = Environment::Default("/opt/quib");
  EXPECT_EQ(env.PeerPort, 6113);
  EXPECT_EQ(env.DialPort, 0);  // not a port: ignored, so "Connect" dials PeerPort
  EXPECT_TRUE(env.MapRouterPort);
  ScopedEnv off("QUIB_PORT_MAPPING", "0");
  EXPECT_FALSE(Environment::Default("/opt/quib").MapRouterPort);
}

TEST(EnvironmentDefault, QuibsFilesLiveInTheProgramFolderWhenWritableElseInTheUsersDataFolder) {
  TempDir dir;
  const fs::path bin = dir.Path() / "usr" / "bin", user = dir.Path() / ".local" / "share" / "quib";
  const fs::path shared = dir.Write("usr/share/quib/arena.dat", "installed");
  fs::create_directories(bin);
  fs::permissions(bin, fs::perms::owner_write, fs::perm_options::remove);
  ScopedEnv program("QUIB_PROGRAM_DIR", std::nullopt), home("HOME", dir.Path().string()),
      data("XDG_DATA_HOME", "relative, so ignored");
  Environment env = Environment::Default(bin.string());
  EXPECT_EQ(env.ProgramDir, user.string()) << "an installed copy's folder is the system's";
  EXPECT_TRUE(fs::equivalent(env.ArenaTemplatePath, shared));
  fs::permissions(bin, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(fs::is_empty(bin)) << "nothing left behind";
  dir.Write("usr/bin/arena.dat", "beside");
  env = Environment::Default(bin.string());
  EXPECT_EQ(env.ArenaTemplatePath + "|" + env.ProgramDir,
            (bin / "arena.dat").string() + "|" + bin.string());
  // A folder no one, root included, can make a file in.
  EXPECT_EQ(Environment::Default("/proc/self").ProgramDir, user.string());
  EXPECT_TRUE(fs::is_directory(user));
  ScopedEnv absolute("XDG_DATA_HOME", (dir.Path() / "xdg").string());
  EXPECT_EQ(Environment::Default("/proc/self").ProgramDir, (dir.Path() / "xdg" / "quib").string());
  // The demo's copies are each given one folder for all of it.
  ScopedEnv given("QUIB_PROGRAM_DIR", "/proc/self");
  env = Environment::Default(bin.string());
  EXPECT_EQ(env.ProgramDir + "|" + env.ArenaTemplatePath, "/proc/self|");
}

}  // namespace
