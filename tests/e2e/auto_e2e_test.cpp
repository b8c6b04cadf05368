// Auto mode: A turns it on at a click wait, which is then answered 1.5 s plus 50 ms a character after the
// text is complete, on the clock of the headless run.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

TEST(AutoMode, AnswersAClickWaitAfterItsDelay) {
  // The first message has 11 characters: 1500 + 11 * 50 = 2050 ms.
  const struct {
    int wait_ms;
    int messages_shown;
  } cases[] = {{2000, 1}, {2100, 2}};
  for (const auto& c : cases) {
    HeadlessGame game(ReadingGame(2));
    ASSERT_EQ(game.Play("idle\nkey a\nwait " + std::to_string(c.wait_ms) + "\nkey esc\n").status, 0);
    EXPECT_EQ(game.Ran(130), c.messages_shown) << "after " << c.wait_ms << " ms";
  }
}

}  // namespace
}  // namespace corv::e2e
