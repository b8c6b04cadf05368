#include <gtest/gtest.h>

#include <set>

#include "platform/glyphs.h"

namespace corv {
namespace {

struct Ink {
  int count = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right and bottom excluded
  std::set<uint32_t> colours;                                  // every pixel value on the surface
};

Ink Measure(const Surface& s, uint32_t background) {
  Ink ink;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const uint32_t p = s.ReadPixel(x, y);
      ink.colours.insert(p);
      if (p == background) continue;
      ++ink.count;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
    }
  }
  return ink;
}

class TrueTypeGlyphs : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    glyphs = MakeTrueTypeGlyphSource(&error);
    ASSERT_TRUE(glyphs) << error;
  }
  std::unique_ptr<GlyphSource> glyphs;
};

TEST_F(TrueTypeGlyphs, CharactersLandInsideTheirEmBoxInTheForeColourOnly) {
  struct Case {
    const char32_t* text;
    double size_pt;
    int em_px;
    int chars;
  };
  const Case cases[] = {
      {U"あ", 12, 16, 1}, {U"漢字", 12, 16, 2}, {U"■", 9, 12, 1}, {U"ＡＢＣ", 18, 24, 3}, {U"永", 24, 32, 1},
  };
  for (int depth : {16, 24, 32}) {
    for (const Case& c : cases) {
      Surface s(200, 80, depth);
      const uint32_t background = MapColour(depth, 0xFF0000);  // the keyed layer's blue
      for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) s.WritePixel(x, y, background);
      s.fore_colour = 0x00FFFF;
      s.font = FontSpec{c.size_pt, false, false};
      ASSERT_TRUE(DrawText(s, *glyphs, 30, 20, c.text));
      const Ink ink = Measure(s, background);
      ASSERT_GT(ink.count, 0);
      // Full-width characters advance one em each; the line box is about 1.25 em tall at most.
      EXPECT_GE(ink.left, 30);
      EXPECT_LE(ink.right, 30 + c.chars * c.em_px);
      EXPECT_GE(ink.top, 20);
      EXPECT_LE(ink.bottom, 20 + c.em_px * 5 / 4);
      EXPECT_GT(ink.right - ink.left, c.chars * c.em_px / 2) << "drawn at the size asked for";
      // No antialiasing: exactly two values on the surface, so the key still finds every background pixel.
      EXPECT_EQ(ink.colours, (std::set<uint32_t>{background, MapColour(depth, 0x00FFFF)}))
          << "depth " << depth;
    }
  }
}

TEST_F(TrueTypeGlyphs, BoldIsHeavierAndNoNarrower) {
  const GlyphMask plain = glyphs->Render(U"明朝体のテキスト", FontSpec{12, false, false});
  const GlyphMask bold = glyphs->Render(U"明朝体のテキスト", FontSpec{12, true, false});
  auto ink = [](const GlyphMask& m) {
    int n = 0;
    for (uint8_t b : m.bits) n += b;
    return n;
  };
  EXPECT_GE(bold.width, plain.width);
  EXPECT_GT(ink(bold), ink(plain) * 6 / 5);
}

TEST_F(TrueTypeGlyphs, EmptyAndBlankTexts) {
  Surface s(50, 30, 32);
  s.fore_colour = 0xFFFFFF;
  EXPECT_TRUE(DrawText(s, *glyphs, 0, 0, U""));
  EXPECT_TRUE(DrawText(s, *glyphs, 0, 0, U"　 "));
  EXPECT_EQ(Measure(s, 0).count, 0);
}

TEST(TrueTypeGlyphSource, ReportsAMissingFontFile) {
  std::string error;
  EXPECT_FALSE(MakeTrueTypeGlyphSource(&error, "/nonexistent/font.ttf"));
  EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos) << error;
}

}  // namespace
}  // namespace corv
