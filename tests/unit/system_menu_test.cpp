// The system menu: its panel in each drawing mode, its hit areas, the highlight, and that it gives the
// wait back the page, the font and the frame exactly as they were.
#include "interaction/system_menu.h"

#include <gtest/gtest.h>

#include "interaction/waits.h"
#include "media/transfers.h"
#include "menu_fixture.h"

namespace corv {
namespace {

using test::Fill;
using test::SameBytes;
using testing::MenuRig;

TEST(MenuRowAt, HitAreasAreStrictAndEndAtX420) {
  struct Probe {
    int x, y, row;
  };
  // The menu's entries (first 165, height 20): row i from y 166 + 30 i to 184 + 30 i, x 211 to 419.
  const Probe menu[] = {
      {300, 165, -1}, {300, 166, 0}, {300, 184, 0}, {300, 185, -1},  // row 0's top and bottom
      {210, 170, -1}, {211, 170, 0}, {419, 170, 0}, {420, 170, -1},  // its left and right
      {425, 170, -1},  // inside the panel, right of the hit area
      {300, 186, -1},  // between "S A V E" and "L O A D"
      {300, 196, 1},  {300, 304, 4}, {300, 320, 5}, {300, 340, -1}};  // the later rows, and below the last
  // The slot rows (first 170, height 16): row i from y 171 + 30 i to 185 + 30 i.
  const Probe slots[] = {{300, 170, -1}, {300, 171, 0}, {300, 185, 0}, {300, 186, -1},  // row 0's edges
                         {300, 201, 1},  {300, 291, 4}};                                // rows 1 and 4
  for (const Probe& p : menu) EXPECT_EQ(MenuRowAt(p.x, p.y, 165, 20), p.row) << "menu " << p.x << "," << p.y;
  for (const Probe& p : slots) EXPECT_EQ(MenuRowAt(p.x, p.y, 170, 16), p.row) << "slot " << p.x << "," << p.y;
}

// Box glyphs at 20 points are 27 pixels a character, filled from 1 to 25 inside their cell.
TEST(DrawMenuEntries, HighlightIsBoldBrightAndMovedLeft) {
  MenuRig rig;
  Player& player = rig.player;
  player.screen.TextFont = FontSpec{13.6, true, true};
  Surface& back = player.screen.BackBuffer;
  ASSERT_TRUE(DrawMenuEntries(player, back, 2).ok());
  // "O P T I O N" highlighted: text at x 237 (242 - 11 / 2), y 225; shadow at (239, 227).
  EXPECT_EQ(back.ReadPixel(238, 226), 0xFFFFFFu);
  EXPECT_EQ(back.ReadPixel(237, 226), 0u);
  EXPECT_EQ(back.ReadPixel(263, 251), 0x7F7F7Fu);  // shadow only: one below and right of the text's end
  // "S A V E" plain: text at (270, 165) in (160, 160, 160), shadow (48, 48, 48) at (272, 167).
  EXPECT_EQ(back.ReadPixel(271, 166), 0xA0A0A0u);
  EXPECT_EQ(back.ReadPixel(297, 192), 0x303030u);
  EXPECT_EQ(back.ReadPixel(270, 166), 0u);
  // The size comes back rounded to whole points, bold off; italic is not touched.
  EXPECT_EQ(player.screen.TextFont, (FontSpec{14, false, true}));
  EXPECT_EQ(back.font, player.screen.TextFont);
}

TEST(DrawMenuEntries, RowsOutsideTheListHighlightNothing) {
  MenuRig rig;
  Surface none(640, 480, 32), five(640, 480, 32), minus(640, 480, 32);
  ASSERT_TRUE(DrawMenuEntries(rig.player, none, 99).ok());
  ASSERT_TRUE(DrawMenuEntries(rig.player, five, 5).ok());
  ASSERT_TRUE(DrawMenuEntries(rig.player, minus, -1).ok());
  EXPECT_TRUE(SameBytes(none, five));
  EXPECT_TRUE(SameBytes(none, minus));
  EXPECT_EQ(none.ReadPixel(238, 226), 0u);  // "O P T I O N" at its own x 242
  EXPECT_EQ(none.ReadPixel(243, 226), 0xA0A0A0u);
}

// The panel over a grey page (128, 128, 128), worked out from the blend arithmetic:
//  8:8:8, 60 % of (32, 32, 64): (128 * 40 + 32 * 60) / 100 = 70, (128 * 40 + 64 * 60) / 100 = 89;
//  10 % (first fade frame): 118 and 121.
//  5:6:5: the page is (16, 32, 16), the colour packs to (3, 8, 8): 60 % gives (8, 17, 11), 10 % (14, 29, 15).
// The opaque box of mode 0 ends at column 429 and row 339; the blended rectangle includes 430 and 340.
struct PanelCase {
  int depth;
  int mode;
  uint32_t panel;
  uint32_t corner;  // pixel (430, 340)
  int fade_frames;
  uint32_t first_fade;
};

std::ostream& operator<<(std::ostream& out, const PanelCase& c) {
  return out << c.depth << "-bit, drawing mode " << c.mode;
}

class MenuPanel : public ::testing::TestWithParam<PanelCase> {};

TEST_P(MenuPanel, OpensFromAWaitAndGivesTheFrameBack) {
  const PanelCase& c = GetParam();
  MenuRig rig(c.depth, c.mode);
  Player& player = rig.player;
  Screen& screen = player.screen;
  const uint32_t grey = MapColour(c.depth, 0x808080);
  Fill(screen.WorkSurface, grey);
  screen.WorkSurface.WritePixel(5, 5, MapColour(c.depth, 0x0000FF));
  PresentWork(player);
  const Surface work_before = screen.WorkSurface;
  const Surface primary_before = screen.PrimarySurface;
  const Surface message_before = screen.MessageSaveSurface;
  const FontSpec font_before{15, false, false};
  screen.TextFont = font_before;

  rig.display.RightClick();  // opens the menu from the pause
  rig.display.RightClick();  // closes it
  rig.display.Idle(100);
  const size_t frames_before = rig.display.frames.size();
  EXPECT_EQ(TimedWait(player, 50), WaitEnd::kTimeUp);

  const auto& frames = rig.display.frames;
  ASSERT_GE(frames.size(), frames_before + c.fade_frames + 2);
  if (c.fade_frames > 0) {
    EXPECT_EQ(frames[frames_before].ReadPixel(215, 145), c.first_fade);
  }
  const Surface& menu = frames[frames_before + c.fade_frames];
  EXPECT_EQ(menu.ReadPixel(215, 145), c.panel);
  EXPECT_EQ(menu.ReadPixel(210, 140), c.panel);
  EXPECT_EQ(menu.ReadPixel(430, 340), c.corner);
  EXPECT_EQ(menu.ReadPixel(431, 341), grey);
  EXPECT_EQ(menu.ReadPixel(209, 145), grey);
  EXPECT_NE(menu.ReadPixel(271, 166), c.panel);  // the entries are on it

  EXPECT_TRUE(SameBytes(screen.WorkSurface, work_before));
  EXPECT_TRUE(SameBytes(screen.PrimarySurface, primary_before));
  EXPECT_TRUE(SameBytes(screen.MessageSaveSurface, message_before));
  EXPECT_TRUE(SameBytes(frames.back(), work_before));
  EXPECT_EQ(screen.TextFont, font_before);
}

INSTANTIATE_TEST_SUITE_P(
    DrawingModes, MenuPanel,
    ::testing::Values(PanelCase{32, 0, 0x202040, 0x808080, 0, 0}, PanelCase{32, 1, 0x464659, 0x464659, 0, 0},
                      PanelCase{32, 2, 0x464659, 0x464659, 5, 0x767679},
                      PanelCase{24, 1, 0x464659, 0x464659, 0, 0}, PanelCase{16, 0, 0x2108, 0x8410, 0, 0},
                      PanelCase{16, 1, 0x422B, 0x422B, 0, 0}, PanelCase{16, 2, 0x422B, 0x422B, 5, 0x73AF}));

TEST(SelectMenuEntry, ClicksOffTheEntriesAreUsedUp) {
  MenuRig rig;
  rig.display.Click(425, 170);
  rig.display.Click(300, 186);
  rig.display.RightClick();
  EXPECT_EQ(SelectMenuEntry(rig.player).value(), -1);
  EXPECT_FALSE(rig.player.input.LeftClicked);
}

TEST(SelectMenuEntry, LeftClickWinsOverARightClickInTheSamePass) {
  MenuRig rig;
  rig.display.ClickAndRightClick(300, 290);  // "C A N C E L"
  EXPECT_EQ(SelectMenuEntry(rig.player).value(), 5);
}

TEST(SelectMenuEntry, ClicksGivenBeforeTheMenuDoNotCount) {
  MenuRig rig;
  rig.player.input.LeftClicked = true;
  rig.player.input.PointerX = 300;
  rig.player.input.PointerY = 170;
  rig.display.Idle();
  rig.display.Click(300, 200);
  EXPECT_EQ(SelectMenuEntry(rig.player).value(), 2);
}

TEST(SelectMenuEntry, HighlightFollowsThePointer) {
  MenuRig rig;
  rig.display.Move(300, 230);  // "O P T I O N"
  rig.display.RightClick(425, 170);
  EXPECT_EQ(SelectMenuEntry(rig.player).value(), -1);
  const auto& frames = rig.display.frames;
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].ReadPixel(238, 226), 0xFFFFFFu);  // highlighted at x 237
  EXPECT_EQ(frames[1].ReadPixel(238, 226), 0u);         // pointer moved off: plain at x 242
}

TEST(SystemMenu, ExitEndsTheProgramAtOnce) {
  MenuRig rig;
  rig.display.Click(300, 260);  // "E X I T"
  try {
    static_cast<void>(SystemMenu(rig.player));
    FAIL() << "the menu came back";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
}

TEST(SystemMenu, CancelComesBackWithZero) {
  MenuRig rig;
  rig.display.Click(300, 290);
  EXPECT_EQ(SystemMenu(rig.player), 0);
}

TEST(SystemMenu, InformationScreenLeavesTheFontAsBeforeTheMenu) {
  MenuRig rig;
  rig.player.screen.TextFont = FontSpec{18, true, false};
  rig.display.Click(300, 230);  // "O P T I O N"
  rig.display.Click(300, 230);  // ignored on the information screen
  rig.display.RightClick();
  EXPECT_EQ(SystemMenu(rig.player), 0);
  EXPECT_EQ(rig.player.screen.TextFont, (FontSpec{18, true, false}));
  EXPECT_TRUE(SameBytes(rig.player.screen.PrimarySurface, rig.player.screen.WorkSurface));
}

// A glyph source that can draw nothing: every text call of the menu fails.
class NoGlyphs final : public GlyphSource {
 public:
  const GlyphMask& Render(const std::u32string&, const FontSpec&) override { return empty_; }

 private:
  GlyphMask empty_;
};

TEST(SystemMenu, FailingTextEndsTheMenuWithMinusOne) {
  MenuRig rig;
  NoGlyphs none;
  rig.player.services.glyphs = &none;
  rig.display.RightClick();
  EXPECT_EQ(SystemMenu(rig.player), -1);
  EXPECT_EQ(rig.display.batches.size(), 1u);  // it ended before waiting for any input
}

}  // namespace
}  // namespace corv
