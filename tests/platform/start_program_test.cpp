#include "platform/start_program.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(StartProgram, ReportsWhatCannotBeStarted) {
  TempDir dir;
  EXPECT_FALSE(StartProgram({dir.Path() / "missing", {}, {}, {}}));
  EXPECT_FALSE(StartProgram({dir.Write("not-executable", "#!/bin/sh\n"), {}, {}, {}}));
  EXPECT_FALSE(StartProgram({"/bin/true", {}, dir.Path() / "no-folder", {}}));
  EXPECT_TRUE(StartProgram({"/bin/true", {}, dir.Path(), {}}));
}

TEST(FindProgramOnPath, TakesTheFirstExecutableFileInPathOrder) {
  TempDir dir;
  dir.Write("a/tool", "not executable");
  fs::create_directories(dir.Path() / "b/tool");
  const fs::path tool = dir.Write("c/tool", "#!/bin/sh\n");
  fs::permissions(tool, fs::perms::owner_all);
  const std::string d = dir.Path().string();
  ScopedEnv path("PATH", ":" + d + "/a:" + d + "/b:" + d + "/c");
  EXPECT_EQ(FindProgramOnPath("tool"), tool);
  EXPECT_EQ(FindProgramOnPath("missing"), fs::path());
}

}  // namespace
