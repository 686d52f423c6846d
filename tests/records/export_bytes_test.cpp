#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "fixtures/demo_world.h"
#include "media/arena_plugin.h"
#include "media/collect_media.h"
#include "media/media_list.h"
#include "records/collect_objects.h"
#include "records/record_file.h"
#include "records/savegame.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

uint64_t Fnv1a(const ByteString& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
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
  CharacterPackage p;
  MediaList media;
  ASSERT_FALSE(ReadSavegame(paths, names, p));
  const auto arena = LoadArenaTemplate(demo::ProgramDir(folder.Path(), "a") / "arena.dat", error);
  ASSERT_TRUE(arena) << error;
  CollectObjects(paths, names, ui, p);
  BuildArenaPlugin(*arena, p, media, ui);
  CollectMedia(paths.GameDir, p, media, names, peer);

  // The drawn ids depend on the clock: each becomes '#'s of its length.
  ByteString plugin = media.ArenaPlugin;
  std::vector<std::string> drawn = p.SpellNewIds;
  drawn.insert(drawn.end(), p.EnchantmentNewIds.begin(), p.EnchantmentNewIds.end());
  for (const std::string& id : {p.NewHeadId, p.NewHairId})
    drawn.push_back(id.substr(0, id.size() - 1));
  for (const std::string& id : drawn) {
    for (size_t at = plugin.find(id); at != ByteString::npos; at = plugin.find(id, at + 1)) {
      plugin.replace(at, id.size(), std::string(id.size(), '#'));
    }
  }
  EXPECT_EQ(plugin.size(), 2657u);
  EXPECT_EQ(Fnv1a(plugin), 17848910860544403491ull);
  EXPECT_EQ(Fnv1a(MediaListText(media)), 14641466330111594146ull) << MediaListText(media);
}

}  // namespace
