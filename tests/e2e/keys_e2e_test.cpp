// Keys and the wheel at the waits: Enter, Space and the wheel turned down finish the text being typed and
// answer click waits; the arrows (or the wheel) and Enter or Space pick each option of a choice, in window
// and in page text, and an entry of the system menu; with --strict none of them does anything.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// White pixels of the 11th character of the first window-text message (x 68 + 18 * 10, y 355).
int LastCharacter(const RgbImage& shot) {
  return CountWhite(shot, 248, 355, 18, 18);
}

std::string Repeat(const std::string& line, int times) {
  std::string lines;
  for (int i = 0; i < times; ++i) lines += line + "\n";
  return lines;
}

TEST(Keys, EnterSpaceAndTheWheelFinishTypingAndAnswerClickWaits) {
  for (const char* key : {"key enter", "key space", "wheel down"}) {
    HeadlessGame game(ReadingGame(2, "window", 20));
    const std::string events = std::string("wait 60\n") + key + "\nidle\nshot typed.png\n" + key + "\nidle\n";
    ASSERT_EQ(game.Play(events).status, 0);
    EXPECT_GT(LastCharacter(game.Shot("typed.png")), 0) << key << " finishes the text";
    EXPECT_EQ(game.Ran(130), 2) << key << " answers the click wait";
  }
}

TEST(Keys, ArrowsAndEnterPickEachOptionInWindowAndPageText) {
  struct Case {
    std::string mode, keys;
    int option;
  };
  const Case cases[] = {
      {"window", "key down\nkey enter", 1},
      {"window", Repeat("key down", 2) + "key space", 2},
      {"window", Repeat("key down", 5) + "key enter", 3},  // the last option stays lit
      {"window", "key up\nkey enter", 3},                  // up from no highlight: the last option
      {"window", "wheel down\nwheel down\nkey enter", 2},
      {"window", "move 200 300\nkey up\nkey enter", 2},    // from the option under the pointer
      {"window", "key down\nmove 200 300\nkey enter", 3},  // moving the pointer takes over again
      {"page", "key down\nkey enter", 1},
      {"page", Repeat("key down", 2) + "key enter", 2},
      {"page", Repeat("key down", 3) + "key enter", 3},
  };
  for (const Case& c : cases) {
    HeadlessGame game(ReadingGame(1, c.mode));
    ASSERT_EQ(game.Play("idle\nclick 5 5\nidle\n" + c.keys + "\nidle\n").status, 0);
    EXPECT_TRUE(TraceHas(game.Trace(), " v1=" + std::to_string(c.option))) << c.mode << ": " << c.keys;
  }
}

TEST(Keys, ArrowsAndEnterPickAMenuEntry) {
  HeadlessGame game(ReadingGame(2));
  // Up from no highlight lights "C A N C E L" (row 4, y 285); Enter closes the menu, a click goes on.
  ASSERT_EQ(
      game.Play("idle\nrclick 5 5\nidle\nkey up\nidle\nshot lit.png\nkey enter\nidle\nclick 5 5\nidle\n")
          .status,
      0);
  const RgbImage lit = game.Shot("lit.png");
  EXPECT_GT(CountWhite(lit, 230, 285, 120, 22), 0) << "C A N C E L is lit";
  EXPECT_EQ(CountWhite(lit, 260, 165, 120, 22), 0) << "S A V E is not";
  EXPECT_EQ(game.Ran(130), 2);
}

// Every new input, given with --strict, leaves the same trace and frames as a pointer move that changes
// nothing, given in its place.
TEST(Keys, StrictIgnoresEveryNewInput) {
  const std::string inputs[] = {"key enter", "key space",  "wheel down",   "wheel up", "key down",
                                "key up",    "key pageup", "key pagedown", "key tab",  "keydown ctrl",
                                "key a",     "key b",      "key ctrl+c"};
  std::string with_keys = "wait 60\n", with_moves = "wait 60\n";
  for (const std::string& input : inputs) {
    with_keys += input + "\nshot " + std::to_string(&input - inputs) + ".png\n";
    with_moves += "move 0 0\nshot " + std::to_string(&input - inputs) + ".png\n";
  }
  with_keys += "idle\nclick 5 5\nidle\nshot end.png\n";
  with_moves += "idle\nclick 5 5\nidle\nshot end.png\n";

  HeadlessGame game(ReadingGame(2, "window", 20));
  ASSERT_EQ(game.Play(with_moves).status, 0);
  const std::vector<std::string> trace = game.Trace();
  std::vector<RgbImage> shots;
  for (size_t i = 0; i < std::size(inputs); ++i) shots.push_back(game.Shot(std::to_string(i) + ".png"));
  shots.push_back(game.Shot("end.png"));

  ASSERT_EQ(game.Play(with_keys, {"--strict"}).status, 0);
  EXPECT_EQ(game.Trace(), trace);
  for (size_t i = 0; i < std::size(inputs); ++i) {
    EXPECT_EQ(game.Shot(std::to_string(i) + ".png").rgb, shots[i].rgb) << inputs[i];
  }
  EXPECT_EQ(game.Shot("end.png").rgb, shots.back().rgb);
}

}  // namespace
}  // namespace corv::e2e
