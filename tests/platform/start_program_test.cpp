#include "platform/start_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
  const std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH",
         (":" + (dir.Path() / "a").string() + ":" + (dir.Path() / "b").string() + ":" +
          (dir.Path() / "c").string())
             .c_str(),
         1);
  EXPECT_EQ(FindProgramOnPath("tool"), tool);
  EXPECT_EQ(FindProgramOnPath("missing"), fs::path());
  setenv("PATH", old.c_str(), 1);
}

}  // namespace
