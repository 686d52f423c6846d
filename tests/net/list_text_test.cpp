#include "net/list_text.h"

#include <gtest/gtest.h>

#include "net/media_name.h"
#include "net/transfer.h"
#include "protocol_fixture.h"

namespace {

TEST(GetListField, PicksFieldsAndSaysNullForWhatIsNotThere) {
  const std::string list = "x\t12\r\n";
  EXPECT_EQ(GetListField(list, 0, 0), "x");
  EXPECT_EQ(GetListField(list, 1, 0), "12");
  EXPECT_EQ(GetListField(list, 2, 0), "NULL");
  EXPECT_EQ(GetListField(list, 0, 1), "NULL");
  EXPECT_EQ(GetListField("", 0, 0), "NULL");
  EXPECT_EQ(GetListField("a\t1\r\nb\t2\r\n", 1, 1), "2");
}

TEST(ListReader, WalksTheSameLinesAsGetListFieldAndALastLineWithoutCrLfIsReadOnce) {
  for (const std::string list : {"", "ab", "a\t1\r\n", "a\t1\r\nb\t2", "a\t1\r\n\r\nc\t3\r\n",
                                 "a\t1\r\nxy", "\r\n\r\n\r\n", "a\tb\tc\r\nd\r\n"}) {
    ListReader reader(list);
    std::string_view line;
    int k = 0;
    for (; reader.Next(line); ++k) {
      ASSERT_EQ(std::string(*ListField(line, 0)), GetListField(list, 0, k)) << list;
      ASSERT_EQ(ListField(line, 1) ? std::string(*ListField(line, 1)) : "NULL",
                GetListField(list, 1, k));
    }
    // Past the end is "NULL", also after a last line without CR LF: read literally, every
    // line number past the end would give that line again and requests would never stop.
    EXPECT_EQ(GetListField(list, 0, k), "NULL") << list;
    EXPECT_EQ(GetListField(list, 0, k + 500), "NULL") << list;
  }
}

TEST(ListSize, OnlyPlainDecimalNumbersThatFit) {
  EXPECT_EQ(ParseListSize("0"), 0);
  EXPECT_EQ(ParseListSize("2147483647"), 2147483647);
  for (const char* bad : {"", "-1", "12a", " 1", "2147483648", "99999999999", "+3"}) {
    EXPECT_EQ(ParseListSize(bad), std::nullopt) << bad;
  }
}

TEST(MediaName, OnlyRelativePathsBelowTheThreeMediaFolders) {
  for (const char* good : {"Meshes\\a.nif", "textures\\tx_a.dds", "ICONS\\x\\y\\z.tga",
                           "Meshes/b.nif", "Meshes\\a..b.nif"}) {
    EXPECT_TRUE(IsSafeMediaName(good)) << good;
  }
  for (const char* bad :
       {"", "arena.esp", "Meshes", "Meshes\\", "\\Meshes\\a.nif", "/Meshes/a.nif",
        "Meshes\\..\\..\\evil.nif", "Meshes\\.\\a.nif", "Meshes\\\\a.nif", "C:\\Meshes\\a.nif",
        "Meshes\\c:a.nif", "Sound\\a.wav", "..\\Meshes\\a.nif", "Meshes\\a\tb.nif",
        "Meshes\\a\nb.nif", "MeshesX\\a.nif", "Data Files\\Meshes\\a.nif"}) {
    EXPECT_FALSE(IsSafeMediaName(bad)) << bad;
  }
}

TEST(BuildFileRequests, AsksForLineZeroAndTheFilesThatAreMissing) {
  Side side;
  side.PutDataFile("Textures/b.dds", "x");
  const std::string list = "arena.esp\t10\r\nMeshes\\a.nif\t5\r\nTextures\\b.dds\t1\r\n";
  std::vector<RequestedFile> requested;
  EXPECT_EQ(BuildFileRequests(list, side.paths.GameDir, &requested),
            LongToBytes(0) + LongToBytes(1));
  ASSERT_EQ(requested.size(), 2u);
  EXPECT_EQ(requested[1].Name, "Meshes\\a.nif");
  EXPECT_EQ(requested[1].Size, 5);
}

TEST(BuildFileRequests, AFilePresentUnderAnotherLetterCaseIsNotAskedFor) {
  Side side;
  side.PutDataFile("meshes/Armor/A.NIF", "x");
  EXPECT_EQ(BuildFileRequests("arena.esp\t1\r\nMeshes\\armor\\a.nif\t1\r\n", side.paths.GameDir),
            LongToBytes(0));
}

TEST(BuildFileRequests, NamesThatCouldNeverBeWrittenAreNotAskedForNorProbed) {
  Side side;
  const std::string list =
      "arena.esp\t1\r\n..\\..\\etc\\passwd\t1\r\nC:\\boot.ini\t1\r\nSound\\a.wav\t1\r\n"
      "Meshes\\ok.nif\t1\r\n";
  EXPECT_EQ(BuildFileRequests(list, side.paths.GameDir), LongToBytes(0) + LongToBytes(4));
}

TEST(BuildFileRequests, AnUnterminatedLastLineEndsTheList) {
  Side side;
  EXPECT_EQ(BuildFileRequests("arena.esp\t1\r\nMeshes\\a.nif\t1", side.paths.GameDir),
            LongToBytes(0) + LongToBytes(1));
}

}  // namespace
