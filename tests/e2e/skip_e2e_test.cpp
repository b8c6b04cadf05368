// Skip: with Ctrl held or Tab on, messages read in an earlier run go by at once; skipping stops at the
// first message not read before and at a choice. What was read is kept in the player's data folder; a
// damaged record is ignored with a note.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// Reads messages 1 and 2 by clicking, and quits at the second click wait.
void ReadTwoMessages(HeadlessGame& game) {
  ASSERT_EQ(game.Play("idle\nclick 5 5\nidle\nkey esc\n").status, 0);
  ASSERT_EQ(game.Ran(130), 2);
}

TEST(Skip, GoesThroughReadTextToTheFirstUnreadMessageAndStopsAtAChoice) {
  for (const std::string start : {"keydown ctrl", "key tab"}) {
    HeadlessGame game(ReadingGame(3));
    ReadTwoMessages(game);
    const std::string skip = start + "\nwait 3000\n";
    ASSERT_EQ(game.Play(skip).status, 0);
    EXPECT_EQ(game.Ran(130), 3) << start << ": stops at message 3, not read before";
    ASSERT_EQ(game.Play(skip).status, 0);
    EXPECT_EQ(game.Ran(9), 4) << start << ": three click waits go by; the choice waits";
    EXPECT_FALSE(TraceHas(game.Trace(), " v1=1")) << start << ": no option is picked";
  }
}

TEST(Skip, ADamagedRecordIsIgnoredWithANote) {
  HeadlessGame game(ReadingGame(3));
  ReadTwoMessages(game);
  int records = 0;
  for (const auto& entry : fs::recursive_directory_iterator(game.folder().path() / "data")) {
    if (entry.path().extension() != ".dat") continue;
    WriteFile(entry.path(), ReadFile(entry.path()).substr(0, 100));
    ++records;
  }
  ASSERT_EQ(records, 1);
  const RunResult run = game.Play("keydown ctrl\nwait 3000\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
  EXPECT_EQ(game.Ran(130), 1) << "nothing counts as read";
}

}  // namespace
}  // namespace corv::e2e
