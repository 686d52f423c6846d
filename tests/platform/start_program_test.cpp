#include "platform/start_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(StartProgram, ReportsWhatCannotBeStarted) {
  TempDir dir;
  const fs::path notExecutable = dir.Write("plain", "#!/bin/sh\n");
  EXPECT_FALSE(StartProgram({dir.Path() / "missing", {}, {}, {}}));
  EXPECT_FALSE(StartProgram({notExecutable, {}, {}, {}}));
  EXPECT_FALSE(StartProgram({"/bin/true", {}, dir.Path() / "no-folder", {}}));
  EXPECT_TRUE(StartProgram({"/bin/true", {}, dir.Path(), {}}));
}

TEST(FindProgramOnPath, TakesTheFirstExecutableInPathOrder) {
  TempDir dir;
  dir.Write("a/tool", "not executable");
  const fs::path second = dir.Write("b/tool", "#!/bin/sh\n");
  fs::permissions(second, fs::perms::owner_all);
  fs::create_directories(dir.Path() / "c/tool");  // a folder is no program

  const std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
  const std::string a = (dir.Path() / "a").string(), b = (dir.Path() / "b").string(),
                    c = (dir.Path() / "c").string();
  setenv("PATH", (":" + a + ":" + c + ":" + b).c_str(), 1);
  EXPECT_EQ(FindProgramOnPath("tool"), second);
  EXPECT_EQ(FindProgramOnPath("missing"), fs::path());
  setenv("PATH", (a + ":" + c).c_str(), 1);
  EXPECT_EQ(FindProgramOnPath("tool"), fs::path());
  setenv("PATH", old.c_str(), 1);
}

}  // namespace
