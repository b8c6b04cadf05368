// How often the interpreter loop yields to the window system: before every instruction on the virtual
// clock of headless runs, and on a real clock only when time has passed (here: never more often than
// every eighth instant instruction).
#include <gtest/gtest.h>

#include "fake_display.h"
#include "test_game.h"

namespace corv {
namespace {

// A clock that is not the virtual one and never moves.
class StillClock final : public Clock {
 public:
  uint32_t TickCount() override { return 5000; }
};

TEST(RunScript, YieldsBeforeEveryInstructionOnlyOnTheVirtualClock) {
  struct Case {
    const char* name;
    bool virtual_clock;
  };
  const Case cases[] = {{"virtual clock", true}, {"real clock", false}};
  for (const Case& c : cases) {
    test::GameBuilder b;
    b.Label();
    b.Calc(1, 2, 1);       // v1 += 1
    b.If(1, 3, 20000, 1);  // if v1 < 20000 goto 1
    b.End();
    test::TestPlayer t;
    test::FakeDisplay display;
    StillClock still;
    t.player.services.display = &display;
    if (!c.virtual_clock) t.player.services.clock = &still;
    ASSERT_TRUE(t.Load(b.Build()));
    t.Run();
    const uint64_t executed = t.player.script.instructions_executed;
    ASSERT_EQ(t.player.script.Variables[1], 20000) << c.name;
    ASSERT_EQ(executed, 3u * 20000) << c.name;  // the end instruction ends the program uncounted
    if (c.virtual_clock) {
      EXPECT_EQ(display.polls, executed + 1) << c.name;  // the end instruction's yield included
    } else {
      // The first instruction always yields; the clock is read at most before every eighth of these.
      EXPECT_GE(display.polls, 1u) << c.name;
      EXPECT_LE(display.polls, executed / 8 + 1) << c.name;
    }
  }
}

}  // namespace
}  // namespace corv
