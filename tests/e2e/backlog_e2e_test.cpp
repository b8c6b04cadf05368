// The backlog: opened at a wait, scrolled, and closed in every way, the frame after closing is the frame
// before it opened, byte for byte. A save keeps the backlog: loaded in a new run, it shows the same.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

std::string ClickThrough(int messages) {
  std::string events;
  for (int i = 0; i < messages; ++i) events += "idle\nclick 5 5\n";
  return events + "idle\n";
}

// The sum of all channels over a part of the message window where the backlog has no text.
long WindowBrightness(const RgbImage& image) {
  long sum = 0;
  for (int y = 345; y < 430; ++y) {
    for (int x = 400; x < 580; ++x) {
      const Rgb p = PixelAt(image, x, y);
      sum += p.r + p.g + p.b;
    }
  }
  return sum;
}

TEST(Backlog, OpensScrollsAndClosesLeavingTheFrameAsItWas) {
  for (const char* close : {"wheel down", "key esc", "rclick 5 5", "key b"}) {
    HeadlessGame game(ReadingGame(12));
    ASSERT_EQ(game.Play(ClickThrough(11) +
                        "shot before.png\nkey b\nidle\nshot open.png\nkey up\nidle\nshot up.png\n"
                        "wheel down\nidle\nshot down.png\n" +
                        close + "\nshot after.png\nclick 5 5\nidle\n")
                  .status,
              0);
    const RgbImage before = game.Shot("before.png"), open = game.Shot("open.png");
    EXPECT_LT(WindowBrightness(open), WindowBrightness(before)) << "the frame is darkened";
    EXPECT_GT(CountWhite(open, 40, 436, 400, 20), 0) << "the newest message at the bottom";
    EXPECT_NE(game.Shot("up.png").rgb, open.rgb) << "Up scrolls";
    EXPECT_EQ(game.Shot("down.png").rgb, open.rgb) << "the wheel scrolls back";
    EXPECT_EQ(game.Shot("after.png").rgb, before.rgb) << close << " closes it, leaving the frame as it was";
    EXPECT_EQ(game.Ran(9), 13) << "the game goes on to the choice";
  }
}

// Pixels of the backlog's text area, left of the click marker (whose blink phase differs between runs).
std::vector<Rgb> TextArea(const RgbImage& image) {
  std::vector<Rgb> pixels;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < 540; ++x) pixels.push_back(PixelAt(image, x, y));
  }
  return pixels;
}

TEST(Backlog, ComesBackWithALoadedGame) {
  HeadlessGame game(ReadingGame(31));
  // Read 30 messages; at the 31st, look at the backlog, save in slot 1 and quit.
  ASSERT_EQ(game.Play(ClickThrough(30) +
                      "key b\nidle\nshot saved.png\nkey b\nidle\nrclick 5 5\nidle\nclick 300 170\nidle\n"
                      "click 300 175\nidle\nkey esc\n")
                .status,
            0);
  // A new run: load slot 1 at the first message and look at the backlog.
  ASSERT_EQ(game.Play("idle\nrclick 5 5\nidle\nclick 300 200\nidle\nclick 300 175\nidle\nkey b\nidle\n"
                      "shot loaded.png\nkey esc\nidle\nkey esc\n")
                .status,
            0);
  const RgbImage saved = game.Shot("saved.png");
  EXPECT_GT(CountWhite(saved, 40, 20, 400, 440), 1000) << "the backlog is full of text";
  EXPECT_TRUE(TextArea(game.Shot("loaded.png")) == TextArea(saved));
}

}  // namespace
}  // namespace corv::e2e
