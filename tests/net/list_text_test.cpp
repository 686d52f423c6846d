#include "net/list_text.h"

#include <gtest/gtest.h>

#include "net/media_name.h"
#include "net/transfer.h"
#include "platform/folder_index.h"
#include "protocol_fixture.h"

namespace {

TEST(ListSize, OnlyPlainDecimalNumbersThatFit) {
  EXPECT_EQ(ParseListSize("0"), 0);
  EXPECT_EQ(ParseListSize("2147483647"), 2147483647);
  for (const char* bad : {"", "-1", "12a", " 1", "2147483648", "99999999999", "+3"}) {
    EXPECT_EQ(ParseListSize(bad), std::nullopt) << bad;
  }
}

TEST(MediaName, OnlyRelativePathsBelowTheThreeMediaFoldersThatWindowsCanHold) {
  for (const char* good :
       {"Meshes\\a.nif", "textures\\tx_a.dds", "ICONS\\x\\y\\z.tga", "Meshes/b.nif",
        "Meshes\\a..b.nif", "Meshes\\console.nif", "Meshes\\com0.nif", "Meshes\\lpt10\\a.nif",
        "Meshes\\.keep", "Meshes\\a b.nif"}) {
    EXPECT_TRUE(IsSafeMediaName(good)) << good;
  }
  for (const char* bad :
       {"", "arena.esp", "Meshes", "Meshes\\", "\\Meshes\\a.nif", "/Meshes/a.nif",
        "Meshes\\..\\..\\evil.nif", "Meshes\\.\\a.nif", "Meshes\\\\a.nif", "C:\\Meshes\\a.nif",
        "Meshes\\c:a.nif", "Sound\\a.wav", "..\\Meshes\\a.nif", "Meshes\\a\tb.nif",
        "Meshes\\a\nb.nif", "MeshesX\\a.nif", "Data Files\\Meshes\\a.nif"}) {
    EXPECT_FALSE(IsSafeMediaName(bad)) << bad;
  }
  // Names Windows cannot hold: devices, a dot or a space at the end, reserved characters.
  for (const char* bad : {"Meshes\\CON", "Meshes\\nul.nif", "Meshes\\Aux\\a.nif",
                          "Meshes\\prn .x.nif", "Icons\\com1.tga", "Icons\\LPT9", "Meshes\\a.nif.",
                          "Meshes\\a.nif ", "Meshes\\dir.\\a.nif", "Meshes\\a<b.nif", "Meshes\\a>b",
                          "Meshes\\\"a\"", "Meshes\\a|b", "Meshes\\a?", "Meshes\\*.nif"}) {
    EXPECT_FALSE(IsSafeMediaName(bad)) << bad;
  }
}

// B holds Textures/b.dds, meshes/Armor/A.NIF, a hidden Textures/.keep and a folder
// Icons/c.tga.
TEST(BuildFileRequests, AsksForTheNamesNothingAnswersToListingEachFolderOnce) {
  Side side;
  side.PutDataFile("Textures/b.dds", "x");
  side.PutDataFile("meshes/Armor/A.NIF", "x");
  side.PutDataFile("Textures/.keep", "");
  std::filesystem::create_directories(side.DataFiles() / "Icons" / "c.tga");
  const std::pair<std::string, ByteString> cases[] = {
      {"arena.esp\t10\r\nMeshes\\a.nif\t5\r\nTextures\\b.dds\t1\r\n", LongToBytes(1)},
      {"arena.esp\t1\r\nMeshes\\armor\\a.nif\t1\r\n", ""},  // another letter case
      {"arena.esp\t1\r\nTEXTURES\\.KEEP\t1\r\nicons\\C.TGA\t1\r\n", ""},
      {"arena.esp\t1\r\n..\\..\\etc\\passwd\t1\r\nC:\\boot.ini\t1\r\nSound\\a.wav\t1\r\n"
       "Meshes\\ok.nif\t1\r\nMeshes\\con.nif\t1\r\nMeshes\\a\x81.nif\t1\r\n",
       LongToBytes(4)},
      {"arena.esp\t1\r\nMeshes\\a.nif\t1", LongToBytes(1)},  // unterminated last line ends it
  };
  for (const auto& [list, missing] : cases) {
    FolderIndex dataFiles(side.DataFiles());
    EXPECT_EQ(BuildFileRequests(list, dataFiles), LongToBytes(0) + missing) << list;
  }
  std::vector<RequestedFile> requested;
  FolderIndex dataFiles(side.DataFiles());
  BuildFileRequests(cases[0].first, dataFiles, &requested);
  ASSERT_EQ(requested.size(), 2u);
  EXPECT_EQ(requested[1].Name, "Meshes\\a.nif");
  EXPECT_EQ(requested[1].Size, 5);

  // Thousands of names cost a listing of each folder on their way and let the window run; a
  // connection reset then ends the walk.
  std::string list = "arena.esp\t1\r\n";
  for (int i = 0; i < 5000; ++i) {
    list += (i % 2 ? "MESHES\\ARMOR\\" : "meshes\\b\\") + std::to_string(i) + ".nif\t1\r\n";
  }
  FolderIndex index(side.DataFiles());
  int yields = 0;
  const auto requests = BuildFileRequests(list, index, nullptr, [&] { return ++yields; });
  EXPECT_EQ(requests.value_or("").size(), 4u * 5001);
  EXPECT_EQ(index.FoldersListed(), 3u) << "Data Files, meshes and meshes/Armor";
  EXPECT_GT(yields, 1);
  EXPECT_EQ(BuildFileRequests(list, index, nullptr, [] { return false; }), std::nullopt);
}

}  // namespace
