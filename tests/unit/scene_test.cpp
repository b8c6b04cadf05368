#include <gtest/gtest.h>

#include "bmp_writer.h"
#include "interaction/waits.h"
#include "media/pictures.h"
#include "media_test_support.h"

namespace corv {
namespace {

using test::MakeBmp24;
using test::MakePlayer;
using test::Raw;
using test::WriteFile;

constexpr uint32_t kMagenta = 0xFF00FF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A 320 x 240 background in which neighbouring pixels differ, and whose pixel (1, 1) is magenta (the
// layer's key colour) to show that the background is drawn without a key.
uint32_t BackgroundColour(int x, int y) {
  if (x == 1 && y == 1) return kMagenta;
  return (static_cast<uint32_t>(x * 8 & 0xF8) << 16) | (static_cast<uint32_t>(y * 4 & 0xFC) << 8) | 0x40;
}

// A 4 x 4 layer, drawn in blocks of 160 x 120: magenta at (1, 1), the key, and at (3, 3); red at (0, 0),
// green at (2, 2), blue elsewhere.
uint32_t LayerColour(int x, int y) {
  if ((x == 1 && y == 1) || (x == 3 && y == 3)) return kMagenta;
  if (x == 0 && y == 0) return kRed;
  if (x == 2 && y == 2) return kGreen;
  return kBlue;
}

class SceneTest : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    player_ = MakePlayer(GetParam());
    WriteFile(folder_.str() + "BG.BMP", MakeBmp24(320, 240, BackgroundColour));
    WriteFile(folder_.str() + "LAYER.BMP", MakeBmp24(4, 4, LayerColour));
    ASSERT_TRUE(LoadPictureSlot(*player_, folder_.str() + "BG.BMP", 4));
    ASSERT_TRUE(LoadPictureSlot(*player_, folder_.str() + "LAYER.BMP", 1));
    test::Fill(player_->screen.WorkSurface, Raw(GetParam(), 0xFFFFFF));
  }
  uint32_t Work(int x, int y) const { return player_->screen.WorkSurface.ReadPixel(x, y); }
  uint32_t Expect(uint32_t rgb) const { return Raw(GetParam(), rgb); }

  test::ScratchFolder folder_{"corv_scene"};
  std::unique_ptr<Player> player_;
};

// The 320 x 240 background fills the frame, every picture pixel exactly 2 x 2.
TEST_P(SceneTest, BackgroundScaledTwoByTwo) {
  player_->screen.BackgroundNumber = 1;
  RedrawScene(*player_, Present::kNo);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      ASSERT_EQ(Work(x, y), Expect(BackgroundColour(x / 2, y / 2))) << "(" << x << ", " << y << ")";
    }
  }
}

// The layer over the background: every pixel of the key colour is left out, wherever it is; the others,
// pixel (0, 0) among them, cover the background.
TEST_P(SceneTest, KeyedLayerOverBackground) {
  player_->screen.BackgroundNumber = 1;
  player_->screen.Layer1Number = 1;
  RedrawScene(*player_, Present::kNo);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      const uint32_t layer = LayerColour(x / 160, y / 120);
      const uint32_t want = layer == kMagenta ? BackgroundColour(x / 2, y / 2) : layer;
      ASSERT_EQ(Work(x, y), Expect(want)) << "(" << x << ", " << y << ")";
    }
  }
  // The background's own magenta pixel shows: the background has no key.
  EXPECT_EQ(Work(2, 2), Expect(kRed)) << "under the layer's opaque corner";
  EXPECT_EQ(Work(160 + 2, 120 + 2), Expect(BackgroundColour(81, 61)));
}

TEST_P(SceneTest, BackgroundHasNoKey) {
  player_->screen.BackgroundNumber = 1;
  RedrawScene(*player_, Present::kNo);
  EXPECT_EQ(Work(2, 2), Expect(kMagenta));
  EXPECT_EQ(Work(3, 3), Expect(kMagenta));
}

// Which slots the numbers let through; an emptied slot (failed load) is left out whatever its number.
// Probes: (0, 0) in the layer's red block, (200, 150) in its keyed block (1, 1), (400, 300) in its green
// block (2, 2), (639, 479) in its keyed block (3, 3).
TEST_P(SceneTest, NumbersChooseTheSlots) {
  struct Case {
    const char* what;
    int32_t background, layer;
    bool empty_background;
    uint32_t probes[4];  // 0xRRGGBB
  };
  const uint32_t b0 = BackgroundColour(0, 0), b1 = BackgroundColour(100, 75), b2 = BackgroundColour(200, 150),
                 b3 = BackgroundColour(319, 239);
  const Case cases[] = {
      {"nothing shown", 0, 0, false, {0, 0, 0, 0}},
      {"negative numbers show nothing", -1, -1, false, {0, 0, 0, 0}},
      {"layer over black", 0, 2, false, {kRed, 0, kGreen, 0}},
      {"background only", 3, 0, false, {b0, b1, b2, b3}},
      {"both", 3, 2, false, {kRed, b1, kGreen, b3}},
      {"failed background under the layer", 3, 2, true, {kRed, 0, kGreen, 0}},
  };
  const int probes[4][2] = {{0, 0}, {200, 150}, {400, 300}, {639, 479}};
  for (const Case& c : cases) {
    auto& screen = player_->screen;
    if (c.empty_background) screen.PictureSurfaces[4] = Surface();
    screen.BackgroundNumber = c.background;
    screen.Layer1Number = c.layer;
    RedrawScene(*player_, Present::kNo);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Work(probes[i][0], probes[i][1]), Expect(c.probes[i])) << c.what << ", probe " << i;
    }
  }
}

TEST_P(SceneTest, PresentingShowsTheFrame) {
  auto& screen = player_->screen;
  screen.BackgroundNumber = 1;
  test::Fill(screen.PrimarySurface, Expect(0x123456));
  RedrawScene(*player_, Present::kNo);
  EXPECT_EQ(screen.PrimarySurface.ReadPixel(0, 0), Expect(0x123456)) << "nothing shown without presenting";
  RedrawScene(*player_, Present::kYes);
  EXPECT_TRUE(test::SameBytes(screen.PrimarySurface, screen.WorkSurface));
  EXPECT_EQ(screen.PrimarySurface.ReadPixel(639, 479), Expect(BackgroundColour(319, 239)));
}

INSTANTIATE_TEST_SUITE_P(Depths, SceneTest, testing::Values(16, 24, 32));

}  // namespace
}  // namespace corv
