#include "media/shading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "shading_reference.h"

namespace corv {
namespace {

// Every instruction path this processor can run, so that each one is held against the plain arithmetic.
std::vector<Simd> Paths() {
  std::vector<Simd> paths{Simd::kPortable};
  if (SimdAvailable(Simd::kSse2)) paths.push_back(Simd::kSse2);
  if (SimdAvailable(Simd::kAvx2)) paths.push_back(Simd::kAvx2);
  return paths;
}

std::string Name(Simd simd) {
  switch (simd) {
    case Simd::kPortable:
      return "portable";
    case Simd::kSse2:
      return "sse2";
    case Simd::kAvx2:
      return "avx2";
    default:
      return "best";
  }
}

// Writes raw bytes so that 32-bit pixels can carry something in their unused byte.
void FillRandom(Surface& s, uint32_t seed) {
  std::mt19937 random(seed);
  for (size_t i = 0; i < s.SizeBytes(); ++i) s.Data()[i] = static_cast<uint8_t>(random());
}

// The first pixel where two surfaces differ, as text, or "" when they are identical.
std::string FirstDifference(const Surface& a, const Surface& b) {
  if (a.SizeBytes() == b.SizeBytes() && std::memcmp(a.Data(), b.Data(), a.SizeBytes()) == 0) return "";
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.ReadPixel(x, y) != b.ReadPixel(x, y)) {
        return "(" + std::to_string(x) + ", " + std::to_string(y) +
               "): " + std::to_string(a.ReadPixel(x, y)) + " vs " + std::to_string(b.ReadPixel(x, y));
      }
    }
  }
  return "";
}

const int kPercents[] = {0, 1, 30, 50, 60, 70, 75, 99, 100};
struct Colour {
  int32_t red, green, blue;
};
const Colour kColours[] = {{0, 0, 39}, {255, 255, 255}, {0, 0, 0},  {64, 64, 64},
                           {8, 8, 8},  {131, 7, 254},   {1, 128, 3}};

TEST(PackColour, FieldValuesAndPackedPixel) {
  struct Case {
    int depth;
    Colour in;
    Colour fields;
    int32_t packed;
  };
  const Case cases[] = {
      {32, {200, 0, 0}, {200 * 65536, 0, 0}, 200 * 65536},
      {24, {1, 2, 3}, {0x10000, 0x200, 3}, 0x010203},
      {32, {255, 255, 255}, {0xFF0000, 0xFF00, 0xFF}, 0xFFFFFF},
      {16, {255, 255, 255}, {0xF800, 0x7E0, 0x1F}, 0xFFFF},
      {16, {8, 8, 8}, {0, 0x40, 1}, 0x41},  // red 8 packs to 0 with the divisor 263
      {16, {0, 255, 0}, {0, 0x7E0, 0}, 0x07E0},
      {16, {128, 0, 0}, {15 << 11, 0, 0}, 15 << 11},
      {16, {16, 0, 0}, {1 << 11, 0, 0}, 1 << 11},
      {16, {64, 64, 64}, {7 << 11, 16 << 5, 8}, (7 << 11) | (16 << 5) | 8},
      {16, {0, 3, 7}, {0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    int32_t r = c.in.red, g = c.in.green, b = c.in.blue;
    EXPECT_EQ(PackColour(c.depth, r, g, b), c.packed) << c.depth << "-bit " << c.in.red << "," << c.in.green;
    EXPECT_EQ(r, c.fields.red);
    EXPECT_EQ(g, c.fields.green);
    EXPECT_EQ(b, c.fields.blue);
  }
}

// Every 16-bit pixel value, on every path, for every percent and colour: identical to the plain arithmetic.
TEST(Shading, Every16BitPixelMatchesThePlainArithmetic) {
  Surface all(256, 256, 16);
  for (uint32_t v = 0; v < 65536; ++v)
    all.WritePixel(static_cast<int>(v % 256), static_cast<int>(v / 256), v);
  for (Simd simd : Paths()) {
    for (const Colour& c : kColours) {
      Surface want = all, got = all;
      reference::DarkenRect(want, 16, 0, 0, 255, 255, c.red, c.green, c.blue);
      ASSERT_TRUE(DarkenRect(got, 16, 0, 0, 255, 255, c.red, c.green, c.blue, simd));
      ASSERT_EQ(FirstDifference(want, got), "") << "darken " << Name(simd) << " colour " << c.red;
      for (int percent : kPercents) {
        Surface want_blend = all, got_blend = all;
        reference::BlendRect(want_blend, 16, 0, 0, 255, 255, c.red, c.green, c.blue, percent);
        ASSERT_TRUE(BlendRect(got_blend, 16, 0, 0, 255, 255, c.red, c.green, c.blue, percent, simd));
        ASSERT_EQ(FirstDifference(want_blend, got_blend), "")
            << "blend " << Name(simd) << " colour " << c.red << "," << c.green << "," << c.blue << " percent "
            << percent;
      }
    }
  }
}

// Every channel byte, colour value and percent, in each channel of 24- and 32-bit pixels, on every path.
// Row 0 holds old value x in every channel of pixel x, row 1 old value x ^ 1, so that in 24-bit pixels
// each old value also falls on the other byte parity of a 16-bit lane.
TEST(Shading, EveryChannelValueColourAndPercentMatchesThePlainArithmetic) {
  for (int depth : {24, 32}) {
    Surface all(256, 2, depth);
    for (uint32_t x = 0; x < 256; ++x) {
      all.WritePixel(static_cast<int>(x), 0, x * 0x010101u);
      all.WritePixel(static_cast<int>(x), 1, (x ^ 1u) * 0x010101u);
    }
    for (int percent = 0; percent <= 100; ++percent) {
      for (int32_t c = 0; c < 256; ++c) {
        const Colour colour{c, (c + 85) % 256, (c + 170) % 256};
        Surface want = all;
        reference::BlendRect(want, depth, 0, 0, 255, 1, colour.red, colour.green, colour.blue, percent);
        for (Simd simd : Paths()) {
          Surface got = all;
          ASSERT_TRUE(
              BlendRect(got, depth, 0, 0, 255, 1, colour.red, colour.green, colour.blue, percent, simd));
          ASSERT_EQ(FirstDifference(want, got), "")
              << depth << "-bit " << Name(simd) << " colour " << c << " percent " << percent;
        }
      }
    }
  }
}

// 24- and 32-bit frames of random pixels (with random bits 24-31 in 32-bit), whole and in rectangles whose
// edges fall at every alignment, on every path.
TEST(Shading, RandomFramesMatchThePlainArithmetic) {
  struct Area {
    int32_t x, y, w, h;
  };
  const Area areas[] = {
      {0, 0, 640, 480}, {50, 340, 540, 120}, {1, 2, 3, 4}, {7, 13, 33, 5}, {-3, -4, 100, 10}};
  for (int depth : {24, 32}) {
    Surface frame(640, 480, depth);
    FillRandom(frame, static_cast<uint32_t>(depth));
    for (Simd simd : Paths()) {
      for (const Area& a : areas) {
        for (const Colour& c : kColours) {
          Surface want = frame, got = frame;
          reference::DarkenRect(want, depth, a.x, a.y, a.w, a.h, c.red, c.green, c.blue);
          ASSERT_TRUE(DarkenRect(got, depth, a.x, a.y, a.w, a.h, c.red, c.green, c.blue, simd));
          ASSERT_EQ(FirstDifference(want, got), "") << depth << "-bit darken " << Name(simd) << " at " << a.x;
        }
        for (int percent : kPercents) {
          const Colour& c = kColours[static_cast<size_t>(percent) % std::size(kColours)];
          Surface want = frame, got = frame;
          reference::BlendRect(want, depth, a.x, a.y, a.w, a.h, c.red, c.green, c.blue, percent);
          ASSERT_TRUE(BlendRect(got, depth, a.x, a.y, a.w, a.h, c.red, c.green, c.blue, percent, simd));
          ASSERT_EQ(FirstDifference(want, got), "")
              << depth << "-bit blend " << Name(simd) << " at " << a.x << " percent " << percent;
        }
      }
    }
  }
}

// Bits 24-31 must be cleared by any write, which FirstDifference (reading through ReadPixel) would see,
// but the unused byte of pixels outside the rectangle must stay as it was.
TEST(Shading, UnusedByteClearedInsideTheRectangleOnly) {
  for (Simd simd : Paths()) {
    Surface s(8, 2, 32);
    for (int x = 0; x < 8; ++x) s.Row(0)[4 * x + 3] = 0xAB;
    ASSERT_TRUE(BlendRect(s, 32, 2, 0, 3, 0, 10, 20, 30, 0, simd));
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(s.Row(0)[4 * x + 3], x >= 2 && x <= 5 ? 0 : 0xAB) << Name(simd) << " column " << x;
    }
  }
}

struct HandCase {
  const char* what;
  int depth;
  uint32_t before;
  bool blend;  // else darken
  Colour colour;
  int percent;
  uint32_t after;
};

TEST(Shading, HandWorkedPixels) {
  const HandCase cases[] = {
      {"70 % of (0,0,39) on black", 32, 0x000000, true, {0, 0, 39}, 70, 27},
      {"70 % of (0,0,39) on black", 24, 0x000000, true, {0, 0, 39}, 70, 27},
      {"70 % of (0,0,39) on white", 32, 0xFFFFFF, true, {0, 0, 39}, 70, 0x4C4C67},  // (76, 76, 103)
      {"darken 0x203040 by 64", 32, 0x203040, false, {64, 64, 64}, 0, 0x000000},
      {"darken white by 64", 32, 0xFFFFFF, false, {64, 64, 64}, 0, 0xBFBFBF},
      {"darken white by 64", 24, 0xFFFFFF, false, {64, 64, 64}, 0, 0xBFBFBF},
      // 16-bit: red by 7 of 31 levels, green by 16 of 63, blue by 8 of 31.
      {"darken white by 64", 16, 0xFFFF, false, {64, 64, 64}, 0, (24u << 11) | (47u << 5) | 23u},
      // (8, 8, 8) packs red to 0: red stays 31, green 63 - 2, blue 31 - 1.
      {"darken white by 8", 16, 0xFFFF, false, {8, 8, 8}, 0, (31u << 11) | (61u << 5) | 30u},
      // red 31*30/100 = 9, green 63*30/100 = 18, blue (31*30 + 4*70)/100 = 12.
      {"70 % of (0,0,39) on white", 16, 0xFFFF, true, {0, 0, 39}, 70, (9u << 11) | (18u << 5) | 12u},
      {"percent 0 leaves the pixel", 32, 0x123456, true, {255, 0, 255}, 0, 0x123456},
      {"percent 0 leaves the pixel", 16, 0xBEEF, true, {255, 0, 255}, 0, 0xBEEF},
      {"percent 100 gives the colour", 32, 0x123456, true, {1, 2, 3}, 100, 0x010203},
      {"percent 100 gives the packed colour",
       16,
       0x1234,
       true,
       {255, 128, 8},
       100,
       (31u << 11) | (32u << 5) | 1u},
  };
  for (const HandCase& c : cases) {
    for (Simd simd : Paths()) {
      Surface s(4, 4, c.depth);
      s.WritePixel(1, 1, c.before);
      const bool ok =
          c.blend ? BlendRect(s, c.depth, 1, 1, 0, 0, c.colour.red, c.colour.green, c.colour.blue, c.percent,
                              simd)
                  : DarkenRect(s, c.depth, 1, 1, 0, 0, c.colour.red, c.colour.green, c.colour.blue, simd);
      ASSERT_TRUE(ok) << c.what;
      EXPECT_EQ(s.ReadPixel(1, 1), c.after) << c.what << ", " << c.depth << "-bit, " << Name(simd);
    }
  }
}

// Which pixels a rectangle touches: both ends included, clipped to the surface, nothing for negative sizes.
TEST(Shading, RectangleCoverage) {
  struct Case {
    int32_t x, y, w, h;
    int changed;  // pixels changed on a 640 x 480 white surface
  };
  const Case cases[] = {
      {10, 10, 0, 0, 1},
      {10, 10, 2, 1, 6},
      {0, 0, 640, 480, 640 * 480},
      {-5, -5, 10, 10, 36},
      {630, 470, 100, 100, 100},
      {10, 10, -1, 5, 0},
      {10, 10, 5, -1, 0},
      {640, 0, 5, 5, 0},
      {0, 480, 5, 5, 0},
      {-100, -100, 50, 50, 0},
      {INT32_MAX, 0, INT32_MAX, 0, 0},
      {INT32_MIN, 5, INT32_MAX, 0, 0},
      {-10, 5, 700, 0, 640},
  };
  for (int depth : {16, 24, 32}) {
    for (const Case& c : cases) {
      for (bool blend : {false, true}) {
        Surface s(640, 480, depth);
        std::fill(s.Data(), s.Data() + s.SizeBytes(), uint8_t{0xFF});
        if (depth == 32) {
          for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) s.WritePixel(x, y, 0xFFFFFF);
        }
        const uint32_t white = s.ReadPixel(0, 0);
        ASSERT_TRUE(blend ? BlendRect(s, depth, c.x, c.y, c.w, c.h, 0, 0, 0, 100)
                          : DarkenRect(s, depth, c.x, c.y, c.w, c.h, 255, 255, 255));
        int changed = 0;
        for (int y = 0; y < 480; ++y) {
          for (int x = 0; x < 640; ++x) {
            const uint32_t p = s.ReadPixel(x, y);
            const bool inside = int64_t{x} >= c.x && int64_t{x} <= int64_t{c.x} + c.w && int64_t{y} >= c.y &&
                                int64_t{y} <= int64_t{c.y} + c.h;
            EXPECT_EQ(p, inside ? 0u : white) << depth << "-bit (" << x << ", " << y << ")";
            changed += p == 0 ? 1 : 0;
            if (HasFailure()) return;
          }
        }
        EXPECT_EQ(changed, c.changed)
            << depth << "-bit rectangle " << c.x << "," << c.y << "," << c.w << "," << c.h;
      }
    }
  }
}

TEST(Shading, RefusesSurfacesThatDoNotMatchTheDepth) {
  Surface empty, wide(4, 4, 32), narrow(4, 4, 16);
  EXPECT_FALSE(BlendRect(empty, 32, 0, 0, 1, 1, 0, 0, 0, 50));
  EXPECT_FALSE(DarkenRect(empty, 16, 0, 0, 1, 1, 0, 0, 0));
  EXPECT_FALSE(BlendRect(wide, 16, 0, 0, 1, 1, 0, 0, 0, 50));
  EXPECT_FALSE(DarkenRect(narrow, 32, 0, 0, 1, 1, 0, 0, 0));
  EXPECT_EQ(wide.ReadPixel(0, 0), 0u);
}

// Out-of-range arguments are clamped: a percent above 100 acts as 100, below 0 as 0; a channel above 255 as
// 255, below 0 as 0.
TEST(Shading, OutOfRangeArgumentsAreClamped) {
  struct Case {
    int32_t red, green, blue, percent;
    uint32_t after;  // on 0x808080, 32-bit
  };
  const Case cases[] = {
      {0, 0, 0, 150, 0x000000},
      {0, 0, 0, -20, 0x808080},
      {300, -5, 255, 100, 0xFF00FF},
      {1000000, 0, 0, 100, 0xFF0000},
      {0, INT32_MIN, 0, INT32_MAX, 0x000000},
  };
  for (const Case& c : cases) {
    Surface s(1, 1, 32);
    s.WritePixel(0, 0, 0x808080);
    ASSERT_TRUE(BlendRect(s, 32, 0, 0, 0, 0, c.red, c.green, c.blue, c.percent));
    EXPECT_EQ(s.ReadPixel(0, 0), c.after) << c.red << "," << c.green << "," << c.blue << " @ " << c.percent;
  }
}

}  // namespace
}  // namespace corv
