#include "commands/exporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/name_generator.h"
#include "fixtures/tes3_writer.h"
#include "net/bytes.h"
#include "net/comp.h"
#include "net/media_list.h"
#include "net/receive_state.h"
#include "records/record_file.h"
#include "support/fake_ui.h"
#include "support/game_folder.h"

namespace {

using namespace tes3;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const ByteString kTransferStart(1, '\xFF');

struct Program {
  GameFolder game;
  MediaList media;
  ReceiveState receive;
  NameGenerator names;
  FakeUi ui;
  FakePeer peer;
  Exporter exporter{game.Paths(), media, receive, names, ui, peer};

  Program() {
    receive.ServingRequests = true;
    Npc player;
    player.Head = "b_head";
    player.Inventory = {{1, "ring"}};
    game.WriteDataFile("mod.esp", File({}, {BodyPartRecord("b_head"),
                                            ItemRecord(Item("MISC", "ring").WithModel("r.nif"))}));
    game.WriteDataFile("Meshes\\r.nif", "mesh");
    game.WriteSavegame("a.ess", Savegame({{"mod.esp"}}, {NpcRecord(player)}));
  }
};

TEST(Transplant, RefusesWithoutALinkOrASavegameAndSendsNothing) {
  // Not connected (the link word's colour): only the connection message, even with no savegame.
  const std::tuple<int, FakeUi::Message, bool> cases[] = {
      {65535,
       {"Please establish a connection with Peer", "error", MessageIcon::Information},
       false},
      {65280,
       {"Please drag and drop your savegame onto the field", "Default", MessageIcon::Critical},
       true}};
  for (const auto& [colour, message, servingCleared] : cases) {
    SCOPED_TRACE(message.Text);
    Program program;
    program.ui.Drop1Color = colour;
    program.game.Paths().SaveGamePath.clear();
    program.exporter.Transplant();
    ASSERT_EQ(program.ui.Messages.size(), 1u);
    const auto& shown = program.ui.Messages[0];
    EXPECT_EQ(std::tie(shown.Text, shown.Title, shown.Icon),
              std::tie(message.Text, message.Title, message.Icon));
    EXPECT_EQ(program.receive.ServingRequests, !servingCleared);
    EXPECT_TRUE(program.peer.Sent.empty() && program.ui.States.empty());
  }
}

TEST(Transplant, SendsTheStartByteThenTheMediaListAndRepeatsWithoutLeaks) {
  Program program;
  program.exporter.Transplant();
  EXPECT_THAT(program.ui.Messages, IsEmpty());
  EXPECT_THAT(program.ui.States, ElementsAre("Busy"));
  EXPECT_FALSE(program.receive.ServingRequests);
  EXPECT_THAT(program.media.MediaNames, ElementsAre("arena.esp", "Meshes\\r.nif"));
  ASSERT_EQ(program.peer.Sent.size(), 2u);
  EXPECT_EQ(program.peer.Sent[0], kTransferStart);
  EXPECT_EQ(program.peer.Sent[1][0], '\xFC');
  const ByteString first = program.media.ArenaPlugin;
  EXPECT_NE(first.find("ring"), ByteString::npos);
  EXPECT_NE(first.find("b\\part.nif"), ByteString::npos) << "the head travels";

  program.exporter.Transplant();
  EXPECT_EQ(program.peer.Sent.size(), 2u) << "a click while the character is on its way";
  program.receive.Transplanting = false;  // it has gone out

  // Second export: the head is no longer found anywhere; nothing of the first export may
  // come back.
  program.game.WriteDataFile("mod.esp",
                             File({}, {ItemRecord(Item("MISC", "ring").WithModel("r.nif"))}));
  program.exporter.Transplant();
  EXPECT_EQ(program.media.ArenaPlugin.size(), first.size() - BodyPartRecord("b_head").size());
  EXPECT_EQ(program.peer.Sent.size(), 4u);
  EXPECT_FALSE(program.exporter.Running());
}

TEST(Transplant, FailuresStopBeforeAnythingIsSent) {
  const std::vector<std::pair<std::string, std::function<void(Program&)>>> cases = {
      {"holds no player record",
       [](Program& p) { p.game.WriteSavegame("a.ess", Savegame({}, {})); }},
      {"is damaged", [](Program& p) { p.game.WriteSavegame("a.ess", "TES3"); }},
      {"no opponent placeholder",
       [](Program& p) { p.game.Dir().Write("program/arena.dat", File({}, {})); }},
  };
  for (const auto& [message, breakIt] : cases) {
    SCOPED_TRACE(message);
    Program program;
    breakIt(program);
    program.exporter.Transplant();
    ASSERT_EQ(program.ui.Messages.size(), 1u);
    EXPECT_THAT(program.ui.Messages[0].Text, HasSubstr(message));
    EXPECT_EQ(program.ui.Messages[0].Title, "error");
    EXPECT_THAT(program.peer.Sent, IsEmpty());
    EXPECT_THAT(program.ui.States, IsEmpty());
    EXPECT_FALSE(program.exporter.Running());
  }
}

TEST(Transplant, ClickDuringAnExportIsRefusedAndADroppedLinkDropsTheList) {
  Program program;
  int clicks = 0;
  program.ui.OnYield = [&] {
    if (clicks++ == 0) program.exporter.Transplant();
    program.peer.Connected = false;
  };
  program.exporter.Transplant();
  EXPECT_GT(clicks, 0);
  EXPECT_THAT(program.peer.Sent, ElementsAre(kTransferStart));
  EXPECT_THAT(program.ui.States, ElementsAre("Busy"));
  EXPECT_EQ(program.media.MediaNames.size(), 2u);
}

}  // namespace
