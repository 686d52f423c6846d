#include "media/outcome_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixtures/tes3_writer.h"

namespace {

using namespace tes3;
using ::testing::AllOf;
using ::testing::HasSubstr;
using Kind = TransplantOutcome::Kind;

TEST(OutcomeText, NamesTheOpponentAndSaysWhatHappened) {
  Npc decoy("guard"), opponent("play00");
  opponent.Name = "Demo Hero";
  const ByteString plugin = File({}, {NpcRecord(decoy), NpcRecord(opponent)});
  EXPECT_EQ(OpponentName(plugin), "Demo Hero");
  EXPECT_EQ(OpponentName(plugin.substr(0, plugin.size() - 1)), "") << "a cut record is skipped";
  opponent.Name = std::string(100000, 'x');
  EXPECT_EQ(OpponentName(File({}, {NpcRecord(opponent)})), std::string(31, 'x'));

  EXPECT_THAT(OutcomeText({Kind::Sent, plugin, 3, 1572864}),
              AllOf(HasSubstr("Demo Hero"), HasSubstr("3 files, 1.5 MB")));
  EXPECT_THAT(OutcomeText({Kind::Sent, plugin, 1, 52429}), HasSubstr("1 file, 0.1 MB"));
  EXPECT_THAT(OutcomeText({Kind::Sent, plugin, 2, 9000}), HasSubstr("less than 0.1 MB"));
  EXPECT_THAT(
      OutcomeText({Kind::Arrived, plugin, 0, 0}),
      AllOf(HasSubstr("Demo Hero"), HasSubstr("Data Files\\arena.esp"), HasSubstr("launcher")));
  EXPECT_THAT(OutcomeText({Kind::Arrived, "", 0, 0}), HasSubstr("A character arrived"));
  EXPECT_EQ(OutcomeText({Kind::NothingWritten, plugin, 0, 0}),
            "The character transfer did not finish; nothing was written.");
}

}  // namespace
