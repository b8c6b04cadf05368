// The information screen: its number formats, its lines and its panel.
#include "interaction/info_screen.h"

#include <gtest/gtest.h>

#include "interaction/system_menu.h"
#include "menu_fixture.h"

namespace corv {
namespace {

using test::Fill;
using testing::MenuRig;

TEST(InfoNumbers, SignedAndGroupedForms) {
  struct Case {
    int64_t n;
    std::u32string sign_place, grouped;
  };
  const Case cases[] = {
      {0, U" 0", U""},
      {2, U" 2", U"2"},
      {32, U" 32", U"32"},
      {999, U" 999", U"999"},
      {1000, U" 1000", U"1,000"},
      {4194304, U" 4194304", U"4,194,304"},
      {123456789012, U" 123456789012", U"123,456,789,012"},
      {-3, U"-3", U"-3"},
      {-1234567, U"-1234567", U"-1,234,567"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SignedNumberText(c.n), c.sign_place) << c.n;
    EXPECT_EQ(GroupedNumberText(c.n), c.grouped) << c.n;
  }
}

TEST(InfoLines, Texts) {
  EXPECT_EQ(VersionLine(), U"Corvalline   2. 0   β１");
  EXPECT_EQ(DisplayModeLine(32), U"現在の解像度 640 * 480 * 32");
  EXPECT_EQ(DisplayModeLine(16), U"現在の解像度 640 * 480 * 16");
  EXPECT_EQ(VideoMemoryLine(0), U"使用可能な空きビデオメモリ  (Byte)");
  EXPECT_EQ(VideoMemoryLine(4194304), U"使用可能な空きビデオメモリ  4,194,304(Byte)");
  const std::pair<int, std::u32string> modes[] = {{0, U"描画モード  粗い"},
                                                  {1, U"描画モード  普通"},
                                                  {2, U"描画モード  精細"},
                                                  {7, U"描画モード  粗い"},
                                                  {-1, U"描画モード  粗い"}};
  for (const auto& [mode, text] : modes) EXPECT_EQ(DrawingModeLine(mode), text) << mode;
}

// Mode 0: an opaque box from (50, 100) to (590, 390), right and bottom excluded, in (32, 32, 64).
// Modes 1 and 2: 60 % of that colour over the grey page, (50, 100) to (590, 390) inclusive.
TEST(DrawInfoPanel, OpaqueInMode0TranslucentOtherwise) {
  struct Case {
    int mode;
    uint32_t inside, corner;
  };
  const Case cases[] = {{0, 0x202040, 0x808080}, {1, 0x464659, 0x464659}, {2, 0x464659, 0x464659}};
  for (const Case& c : cases) {
    MenuRig rig(32, c.mode);
    Fill(rig.player.screen.WorkSurface, 0x808080);
    Fill(rig.player.screen.MenuSaveSurface, 0x123456);  // the menu's panel does not show through
    DrawInfoPanel(rig.player);
    const Surface& panel = rig.player.screen.MenuSaveSurface;
    EXPECT_EQ(panel.ReadPixel(50, 100), c.inside) << c.mode;
    EXPECT_EQ(panel.ReadPixel(589, 389), c.inside) << c.mode;
    EXPECT_EQ(panel.ReadPixel(590, 390), c.corner) << c.mode;
    EXPECT_EQ(panel.ReadPixel(49, 100), 0x808080u) << c.mode;
    EXPECT_EQ(panel.ReadPixel(300, 50), 0x808080u) << c.mode;
  }
}

// Box glyphs at 16 points: 21 pixels a character.
TEST(DrawInfoText, LinesAtTheirPlaces) {
  MenuRig rig;
  rig.display.free_memory = 4194304;
  Surface& back = rig.player.screen.BackBuffer;
  ASSERT_TRUE(DrawInfoText(rig.player, back).ok());
  EXPECT_EQ(back.ReadPixel(61, 121), 0xFFFFFFu);   // "C" of the version line
  EXPECT_EQ(back.ReadPixel(61, 146), 0xFFFFFFu);   // "現"
  EXPECT_EQ(back.ReadPixel(61, 171), 0xFFFFFFu);   // "使"
  EXPECT_EQ(back.ReadPixel(61, 196), 0xFFFFFFu);   // "描"
  EXPECT_EQ(back.ReadPixel(171, 346), 0xFFFFFFu);  // "右"
  EXPECT_EQ(back.ReadPixel(60, 120), 0u);
  // The version line: "Corvalline" then three blanks, so column 10 (x 270) is empty.
  EXPECT_EQ(back.ReadPixel(60 + 21 * 10 + 5, 125), 0u);
  EXPECT_EQ(back.ReadPixel(60 + 21 * 13 + 5, 125), 0xFFFFFFu);  // "2"
  EXPECT_EQ(rig.player.screen.TextFont.size_pt, 16);
}

TEST(InfoScreen, LeftClicksAreIgnoredARightClickEndsIt) {
  MenuRig rig;
  rig.display.Click(300, 300);
  rig.display.Click(60, 120);
  rig.display.RightClick();
  EXPECT_TRUE(InfoScreen(rig.player).ok());
  EXPECT_EQ(rig.display.frames.size(), 2u);
  EXPECT_TRUE(rig.player.input.LeftClicked);  // left for the next wait to clear
}

}  // namespace
}  // namespace corv
