#include "media/arena_plugin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixtures/arena_template.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "net/media_list.h"
#include "platform/files.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/temp_dir.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;

TEST(ArenaTemplate, ShippedFileIsTheWritersOutputWithAPlaceholder) {
  const ByteString shipped = ReadWholeFile(QUIB_ARENA_DAT).value_or("");
  ASSERT_EQ(shipped, ArenaTemplateBytes()) << "regenerate with make_arena data/arena.dat";
  std::string error;
  EXPECT_TRUE(LoadArenaTemplate(QUIB_ARENA_DAT, error)) << error;
}

TEST(BuildArenaPlugin, SplicesCharacterAndPlayerInPlaceOfThePlaceholder) {
  const ByteString header = HeaderRecord({}, 3);
  // "NPC_" inside a script's text, and an NPC_ whose id only begins like the placeholder's.
  const ByteString script = Record("SCPT", {Sub("SCTX", Z("NPC_ named play00 in a script"))});
  const ByteString other = NpcRecord(Npc("plaything"));
  const ByteString placeholder = NpcRecord(Npc("play001"));
  const ByteString after = Record("CELL", {Sub("NAME", Z("Arena"))});
  TempDir dir;
  std::string error;
  const auto loaded = LoadArenaTemplate(
      dir.Write("arena.dat", header + script + other + placeholder + after), error);
  ASSERT_TRUE(loaded) << error;

  CharacterPackage package;
  package.PlayerRecord = NpcRecord(Npc("play00"));
  package.CharacterRecords = BodyPartRecord("b_head");
  MediaList media;
  media.MediaNames = {"old"};
  FakeUi ui;
  BuildArenaPlugin(*loaded, package, media, ui);

  const ByteString player = NpcRecord(Npc("play00"));
  const int32_t playerSize = BytesToLongAt(player, 4);
  const ByteString expected = header + script + other + package.CharacterRecords +
                              player.substr(0, 4) + LongToBytes(playerSize + 42) +
                              player.substr(8) + placeholder.substr(placeholder.size() - 42) +
                              after;
  EXPECT_EQ(media.ArenaPlugin, expected);
  EXPECT_EQ(BytesToLongAt(package.PlayerRecord, 4), playerSize + 42);
  EXPECT_THAT(media.MediaNames, ElementsAre("arena.esp"));
  EXPECT_THAT(media.MediaSizes, ElementsAre(static_cast<int32_t>(expected.size())));
}

TEST(LoadArenaTemplate, UnusableTemplatesGiveAMessage) {
  TempDir dir;
  const ByteString placeholder = NpcRecord(Npc("play00"));
  const std::vector<std::pair<ByteString, std::string>> cases = {
      {HeaderRecord({}, 0), "holds no opponent placeholder"},
      {HeaderRecord({}, 1) + placeholder.substr(0, placeholder.size() - 1), "cut off"},
      {HeaderRecord({}, 1) + Record("NPC_", {Sub("NAME", Z("play00"))}), "cut off"},
  };
  for (const auto& [bytes, message] : cases) {
    std::string error;
    EXPECT_FALSE(LoadArenaTemplate(dir.Write("arena.dat", bytes), error));
    EXPECT_THAT(error, ::testing::HasSubstr(message));
  }
  std::string error;
  EXPECT_FALSE(LoadArenaTemplate(dir.Path() / "missing.dat", error));
  EXPECT_EQ(error, "The arena template arena.dat is missing or cannot be read.");
}

}  // namespace
