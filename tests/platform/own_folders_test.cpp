#include "platform/own_folders.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

// Program Files is writable under Wine and for an administrator: the uninstaller the
// installer left there still marks the folder as the system's.
TEST(OwnFilesFolder, AnInstalledCopysFolderIsNotUsedEvenWhenWritable) {
  TempDir dir;
  const auto program = dir.Path() / "Quib", user = dir.Path() / "user";
  dir.Write("Quib/arena.dat", "template");
  EXPECT_EQ(OwnFilesFolder(program, user), program);
  dir.Write("Quib/uninstall.exe", "MZ");
  EXPECT_EQ(OwnFilesFolder(program, user), user);
  EXPECT_TRUE(std::filesystem::is_directory(user));
}

}  // namespace
