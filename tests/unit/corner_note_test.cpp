#include "media/corner_note.h"

#include <gtest/gtest.h>

#include "fake_display.h"
#include "media_test_support.h"
#include "platform/clock.h"
#include "platform/glyphs.h"

namespace corv {
namespace {

// The note reaches the display over the top-right corner for one second, then the frame comes back as
// the game left it; the game's own surface never carries it.
TEST(CornerNote, OverThePresentedFrameForOneSecond) {
  auto player = test::MakePlayer(32);
  VirtualClock clock(5000);
  test::FakeDisplay display;
  display.keep_frames = true;
  const std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  player->services.display = &display;
  player->services.clock = &clock;
  player->services.glyphs = glyphs.get();
  test::Fill(player->screen.PrimarySurface, 0x336699);
  const Surface game(player->screen.PrimarySurface);

  ShowCornerNote(*player, U"音量 50%");
  EXPECT_TRUE(test::SameBytes(player->screen.PrimarySurface, game));
  EXPECT_NE(display.frames.back().ReadPixel(620, 14), 0x336699u) << "no note in the corner";
  EXPECT_EQ(display.frames.back().ReadPixel(10, 470), 0x336699u) << "the note spread over the frame";

  clock.Advance(kCornerNoteMs - 1);
  ExpireCornerNote(*player);
  EXPECT_FALSE(test::SameBytes(display.frames.back(), game)) << "the note went too early";
  clock.Advance(1);
  ExpireCornerNote(*player);
  EXPECT_TRUE(test::SameBytes(display.frames.back(), game)) << "the note stayed";
}

}  // namespace
}  // namespace corv
