#include "media/message_window.h"

#include <gtest/gtest.h>

#include <vector>

#include "media_test_support.h"

namespace corv {
namespace {

using test::MakePlayer;
using test::Raw;

constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t Rgb565(uint32_t r, uint32_t g, uint32_t b) {
  return (r << 11) | (g << 5) | b;
}

struct Probe {
  int x, y;
  uint32_t rgb888;  // expected raw pixel at 24 and 32 bits
  uint32_t rgb565;  // expected raw pixel at 16 bits
};

struct WindowCase {
  const char* what;
  int drawing_mode;
  uint8_t text_mode;
  uint32_t background;  // 0xRRGGBB the frame is filled with
  int32_t red, green, blue;
  std::vector<Probe> probes;
  bool eight_bit_only = false;  // the 16-bit values are not worked out
};

// Expected values worked out from the arithmetic, per channel: blend = floor((old*30 + colour*70) / 100),
// with 16-bit colours quantised first (red * 32 / 263, green / 4, blue / 8).
const WindowCase kCases[] = {
    {"normal over white",
     1,
     0,
     kWhite,
     0,
     0,
     39,
     {
         // (76, 76, 103); 16-bit: 31*30/100 = 9, 63*30/100 = 18, (31*30 + 4*70)/100 = 12
         {50, 340, 0x4C4C67, Rgb565(9, 18, 12)},
         {590, 460, 0x4C4C67, Rgb565(9, 18, 12)},
         {320, 400, 0x4C4C67, Rgb565(9, 18, 12)},
         {49, 400, 0xFFFFFF, 0xFFFF},
         {591, 400, 0xFFFFFF, 0xFFFF},
         {320, 339, 0xFFFFFF, 0xFFFF},
         {320, 461, 0xFFFFFF, 0xFFFF},
     }},
    {"normal over black", 1, 0, 0x000000, 0, 0, 39, {{50, 460, 0x00001B, Rgb565(0, 0, 2)}, {591, 460, 0, 0}}},
    {"fine over black",
     2,
     0,
     0x000000,
     0,
     0,
     39,
     {
         {320, 459, 0x02021D, Rgb565(0, 0, 3)},    // band 0: (3, 3, 42)
         {320, 457, 0x02021D, Rgb565(0, 0, 3)},    //
         {320, 456, 0x04041F, Rgb565(0, 0, 3)},    // band 1: (6, 6, 45)
         {320, 343, 0x51516D, Rgb565(9, 20, 13)},  // band 38: (117, 117, 156)
         {50, 342, 0x54546F, Rgb565(9, 21, 13)},   // band 39: (120, 120, 159)
         {590, 340, 0x54546F, Rgb565(9, 21, 13)},  //
         {320, 460, 0, 0},                         // the bands end at row 459
         {320, 339, 0, 0},
         {591, 400, 0, 0},
     }},
    {"fine, a channel that cannot grow",
     2,
     0,
     0x000000,
     250,
     0,
     0,
     {
         {320, 459, 0xAF0202, Rgb565(21, 0, 0)},    // (250, 3, 3); 16-bit red 250 -> 30 -> 21, the rest 0
         {320, 340, 0xAF5454, Rgb565(21, 21, 10)},  // (250, 120, 120)
     }},
    {"fine, a channel that stops growing",
     2,
     0,
     0x000000,
     200,
     0,
     0,
     {
         {320, 459, 0x910202, 0},  // band 0: red 208
         {320, 446, 0xA80A0A, 0},  // band 4: red 240, green and blue 15
         {320, 443, 0xAD0C0C, 0},  // band 5: red 248, the last step
         {320, 340, 0xAD5454, 0},  // band 39: red still 248
     },
     true},
    {"coarse box",
     0,
     0,
     kWhite,
     0,
     0,
     39,
     {
         {50, 340, 0x000027, 0x0004},
         {589, 459, 0x000027, 0x0004},
         {320, 400, 0x000027, 0x0004},
         {590, 400, 0xFFFFFF, 0xFFFF},
         {320, 460, 0xFFFFFF, 0xFFFF},
         {49, 400, 0xFFFFFF, 0xFFFF},
         {320, 339, 0xFFFFFF, 0xFFFF},
     }},
};

TEST(DrawMessageWindow, DrawingModes) {
  for (const WindowCase& c : kCases) {
    for (int depth : {16, 24, 32}) {
      if (depth == 16 && c.eight_bit_only) continue;
      auto player = MakePlayer(depth);
      player->settings.DrawingMode = c.drawing_mode;
      player->script.TextMode = c.text_mode;
      test::Fill(player->screen.WorkSurface, Raw(depth, c.background));
      DrawMessageWindow(*player, c.red, c.green, c.blue);
      for (const Probe& p : c.probes) {
        EXPECT_EQ(player->screen.WorkSurface.ReadPixel(p.x, p.y), depth == 16 ? p.rgb565 : p.rgb888)
            << c.what << ", " << depth << "-bit, (" << p.x << ", " << p.y << ")";
      }
      EXPECT_TRUE(test::SameBytes(player->screen.PrimarySurface, player->screen.WorkSurface))
          << c.what << ": the frame is on screen when the call returns";
    }
  }
}

// Page text: the whole frame is lowered by 64 per channel, whatever the drawing mode and the colour.
TEST(DrawMessageWindow, PageModeDarkensEveryPixel) {
  struct Expect {
    int depth;
    uint32_t white_after;
  };
  const Expect expects[] = {{16, Rgb565(24, 47, 23)}, {24, 0xBFBFBF}, {32, 0xBFBFBF}};
  for (const Expect& e : expects) {
    for (uint8_t text_mode : {1, 2, 255}) {
      for (int drawing_mode : {0, 1, 2}) {
        auto player = MakePlayer(e.depth);
        player->settings.DrawingMode = drawing_mode;
        player->script.TextMode = text_mode;
        test::Fill(player->screen.WorkSurface, Raw(e.depth, kWhite));
        player->screen.WorkSurface.WritePixel(7, 7, Raw(e.depth, 0x203040));
        DrawMessageWindow(*player, 255, 0, 0);
        const Surface& work = player->screen.WorkSurface;
        for (int y = 0; y < kScreenHeight; ++y) {
          for (int x = 0; x < kScreenWidth; ++x) {
            const uint32_t want = x == 7 && y == 7 ? 0u : e.white_after;
            ASSERT_EQ(work.ReadPixel(x, y), want)
                << e.depth << "-bit, text mode " << int{text_mode} << ", drawing mode " << drawing_mode
                << " (" << x << ", " << y << ")";
          }
        }
        EXPECT_TRUE(test::SameBytes(player->screen.PrimarySurface, work));
      }
    }
  }
}

}  // namespace
}  // namespace corv
