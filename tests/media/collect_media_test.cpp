#include "media/collect_media.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct Media {
  GameFolder game;
  CharacterPackage package;
  MediaList media{{"arena.esp"}, {77}, "plugin"};
  NameGenerator names;
  FakePeer peer;

  void Run() { CollectMedia(game.Paths().GameDir, package, media, names, peer); }
  // Entries after arena.esp.
  std::vector<std::string> Listed() const {
    return {media.MediaNames.begin() + 1, media.MediaNames.end()};
  }
};

struct TextureCase {
  std::string name;
  ByteString block;
  std::vector<std::string> files;  // below Data Files
  std::vector<std::string> listed;
};

TEST(CollectMedia, TextureNamesFollowTheRulesInOrder) {
  ByteString clipped = TextureBlock(100, "end.dds");
  clipped.resize(clipped.size() - 13);  // the name runs to the mesh's end
  const std::vector<TextureCase> cases = {
      {"tga with dds twin",
       TextureBlock("skin.tga"),
       {"Textures\\skin.tga", "Textures\\skin.dds"},
       {"Textures\\skin.dds"}},
      {"bmp without twin", TextureBlock("old.bmp"), {"Textures\\old.bmp"}, {"Textures\\old.bmp"}},
      {"bmp missing", TextureBlock("gone.bmp"), {}, {}},
      {"png", TextureBlock("pic.png"), {"Textures\\pic.png"}, {}},
      {"prefix", TextureBlock("Textures\\in.dds"), {"Textures\\in.dds"}, {"Textures\\in.dds"}},
      {"lower-case prefix", TextureBlock("textures\\in.dds"), {"Textures\\in.dds"}, {}},
      {"twin of a prefixed name",
       TextureBlock("Textures\\fur.tga"),
       {"Textures\\fur.tga", "Textures\\fur.dds"},
       {"Textures\\fur.dds"}},
      {"NUL padding",
       TextureBlock(10, ByteString("pad.dds\0\0\0", 10)),
       {"Textures\\pad.dds"},
       {"Textures\\pad.dds"}},
      {"negative length", TextureBlock(-1, ""), {"Textures\\x.dds"}, {}},
      {"clipped to the mesh", clipped, {"Textures\\end.dds"}, {"Textures\\end.dds"}},
      {"letter case", TextureBlock("Skin.DDS"), {"textures\\SKIN.dds"}, {"Textures\\Skin.DDS"}},
      {"outside Data Files", TextureBlock("..\\..\\secret.dds"), {"..\\secret.dds"}, {}},
      {"hidden", TextureBlock(".h.dds"), {"Textures\\.h.dds"}, {}},
      {"hidden, other case", TextureBlock(".H.dds"), {"Textures\\.h.dds"}, {}},
      {"a folder", TextureBlock("d.dds"), {"Textures\\d.dds\\x"}, {}},
      {"a folder, other case", TextureBlock("D.dds"), {"Textures\\d.dds\\x"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Media m;
    for (const auto& file : c.files) m.game.WriteDataFile(file, "texture");
    m.game.WriteDataFile("Meshes\\m.nif", Mesh({c.block}));
    m.package.HeadId = Z("b_head");
    m.package.HeadRecord = BodyPartRecord("b_head", "m.nif");
    m.Run();
    std::vector<std::string> expected = {"Meshes\\m.nif"};
    expected.insert(expected.end(), c.listed.begin(), c.listed.end());
    EXPECT_THAT(m.Listed(), ElementsAreArray(expected));
  }
}

TEST(CollectMedia, ListsModelsAndIconsInOrderWithSizesAndRepeats) {
  Media m;
  const ByteString mesh = Mesh({TextureBlock("t.dds")});
  m.game.WriteDataFile("Meshes\\a\\part.nif", mesh);
  m.game.WriteDataFile("Textures\\t.dds", "tex");
  for (const auto& icon : {"w.tga", "w.dds", "p.dds", "m.tga", "b.dds"}) {
    m.game.WriteDataFile(std::string("Icons\\") + icon, "icon!");
  }
  CharacterPackage& p = m.package;
  p.HairId = Z("b_hair");
  p.HairRecord = BodyPartRecord("b_hair", "missing.nif");
  p.ArmorPartIds = {"a_part"};
  p.ArmorPartRecords = {BodyPartRecord("a_part", "a\\part.nif")};
  p.ItemIds = {Z("sword"), Z("potion"), Z("gone"), Z("rock"), Z("book")};
  p.ItemRecords = {
      ItemRecord(Item("WEAP", "sword").WithModel("a\\part.nif").WithIcon("w.tga")),
      ItemRecord(Item("ALCH", "potion").WithModel("none.nif").WithIcon("p.dds")),
      "",
      ItemRecord(Item("MISC", "rock").WithModel("").WithIcon("m.tga")),
      // The last ITEX counts, not the book's TEXT.
      ItemRecord(Item("BOOK", "book").WithIcon("none.dds")) + Sub("TEXT", Z("w.dds")) +
          Sub("ITEX", Z("b.dds\0\0")),
  };
  m.Run();
  EXPECT_THAT(m.media.MediaNames,
              ElementsAre("arena.esp", "Meshes\\a\\part.nif", "Textures\\t.dds",
                          "Meshes\\a\\part.nif", "Textures\\t.dds", "Icons\\w.dds", "Icons\\p.dds",
                          "Icons\\m.tga", "Icons\\b.dds"));
  const auto meshSize = static_cast<int32_t>(mesh.size());
  EXPECT_THAT(m.media.MediaSizes, ElementsAre(77, meshSize, 3, meshSize, 3, 5, 5, 5, 5));
}

TEST(CollectMedia, RealMeshNamesItsExternalTexture) {
  Media m;
  const std::vector<std::string> names = ScanTextures(RealTestFile("all_types.nif"));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "g7\\textests\\light07_0.bmp");
  m.game.WriteDataFile("Meshes\\real.nif", RealTestFile("all_types.nif"));
  m.game.WriteDataFile("Textures\\g7\\textests\\light07_0.dds", "dds");
  m.package.ItemIds = {Z("lamp")};
  m.package.ItemRecords = {ItemRecord(Item("MISC", "lamp").WithModel("real.nif"))};
  m.Run();
  EXPECT_THAT(m.Listed(), ElementsAre("Meshes\\real.nif", "Textures\\g7\\textests\\light07_0.dds"));
}

}  // namespace
