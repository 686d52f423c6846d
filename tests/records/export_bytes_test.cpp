#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "media/arena_plugin.h"
#include "media/collect_media.h"
#include "media/media_list.h"
#include "records/collect_objects.h"
#include "records/record_file.h"
#include "records/savegame.h"
#include "support/demo_world.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

uint64_t Fnv1a(const ByteString& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// Every occurrence of a drawn id becomes '#'s of its length, so the image no longer
// depends on the clock.
void Mask(ByteString& bytes, std::string id) {
  while (!id.empty() && id.back() == '\0') id.pop_back();
  if (id.empty()) return;
  for (size_t at = bytes.find(id); at != ByteString::npos; at = bytes.find(id, at + 1)) {
    bytes.replace(at, id.size(), std::string(id.size(), '#'));
  }
}

// The demo character's export must not change for anything a peer relies on. The
// expectations are the export of this fixed world before lockpicks, female body parts and
// the twins of "Textures\" names were followed; none of these occur in it.
TEST(ExportBytes, TheDemoCharacterExportsTheBytesItAlwaysDid) {
  TempDir folder;
  std::string error;
  ASSERT_TRUE(demo::WriteDemo(folder.Path(), error)) << error;
  AppPaths paths;
  paths.GameDir = demo::GameDir(folder.Path(), "a").string();
  paths.SaveGamePath = paths.GameDir + "\\Saves\\" + demo::kSavegame;
  NameGenerator names;
  FakeUi ui;
  FakePeer peer;
  CharacterPackage package;
  MediaList media;
  ASSERT_FALSE(ReadSavegame(paths, names, package));
  const std::optional<ArenaTemplate> arena =
      LoadArenaTemplate(demo::ProgramDir(folder.Path(), "a") / "arena.dat", error);
  ASSERT_TRUE(arena) << error;
  CollectObjects(paths, names, ui, package);
  BuildArenaPlugin(*arena, package, media, ui);
  CollectMedia(paths.GameDir, package, media, names, peer);

  ByteString plugin = media.ArenaPlugin;
  for (const std::string& id : package.SpellNewIds) Mask(plugin, id);
  for (const std::string& id : package.EnchantmentNewIds) Mask(plugin, id);
  Mask(plugin, package.NewHeadId);
  Mask(plugin, package.NewHairId);
  EXPECT_EQ(plugin.size(), 2657u);
  EXPECT_EQ(Fnv1a(plugin), 637149299018840462ull);
  EXPECT_EQ(MediaListText(media),
            "arena.esp\t2657\r\n"
            "Meshes\\q\\demo_head.nif\t290\r\nTextures\\q\\demo_skin.dds\t522\r\n"
            "Textures\\q\\demo_eyes.dds\t522\r\n"
            "Meshes\\q\\demo_hair.nif\t226\r\nTextures\\q\\demo_hair.dds\t522\r\n"
            "Meshes\\q\\demo_cuirass.nif\t227\r\nTextures\\q\\demo_steel.dds\t523\r\n"
            "Meshes\\q\\demo_robe.nif\t227\r\nTextures\\q\\demo_cloth.dds\t523\r\n"
            "Meshes\\q\\demo_cuirass_gnd.nif\t227\r\nTextures\\q\\demo_steel.dds\t523\r\n"
            "Icons\\q\\demo_cuirass.dds\t530\r\n"
            "Meshes\\q\\demo_robe_gnd.nif\t227\r\nTextures\\q\\demo_cloth.dds\t523\r\n"
            "Icons\\q\\demo_robe.dds\t527\r\n"
            "Meshes\\q\\demo_blade.nif\t227\r\nTextures\\q\\demo_blade.dds\t523\r\n"
            "Icons\\q\\demo_blade.dds\t528\r\n"
            "Meshes\\q\\demo_potion.nif\t227\r\nTextures\\q\\demo_glass.dds\t523\r\n"
            "Icons\\q\\demo_potion.dds\t529\r\n"
            "Meshes\\q\\demo_gem.nif\t225\r\nTextures\\q\\demo_gem.dds\t521\r\n"
            "Icons\\q\\demo_gem.dds\t526\r\n");
}

}  // namespace
