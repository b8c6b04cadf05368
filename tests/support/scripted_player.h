// A whole player built in-process for the tests of text and waits: real surfaces in a chosen depth, box
// glyphs (so text is checked by where its cells land), a virtual clock, and the fake display, whose
// polls hand out queued input one event at a time or what its `on_poll` gives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/player.h"
#include "fake_display.h"
#include "platform/clock.h"
#include "platform/glyphs.h"
#include "shell/display_init.h"

namespace corv::testing {

using test::LeftClick;
using test::MoveTo;
using test::RightClick;

inline constexpr uint32_t kBackdrop = 0x404040;  // the scene behind the text, so the black shadow shows
inline constexpr uint32_t kLayerKey = 0xFF00FF;  // the page layer's key colour

struct ScriptedPlayer {
  VirtualClock clock;
  test::FakeDisplay display{clock};
  std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  Player player;

  explicit ScriptedPlayer(int depth = 32, uint32_t start_tick = 0) : clock(start_tick) {
    player.settings.ColourDepth = depth;
    CreateSurfaces(player);
    player.services.display = &display;
    player.services.clock = &clock;
    player.services.glyphs = glyphs.get();
    Fill(player.screen.WorkSurface, kBackdrop);
    Fill(player.screen.MessageSaveSurface, kBackdrop);
    Surface& layer = player.screen.PictureSurfaces[5];
    layer.colour_key = MapColour(depth, kLayerKey);
    Fill(layer, kLayerKey);
    // A script of 200 bytes, executing at position 40.
    player.game.GameImage.assign(200, 0);
    player.game.ScriptEnd = 200;
    player.script.ScriptPosition = 40;
  }

  uint32_t Pixel(uint32_t bgr) const { return MapColour(player.settings.ColourDepth, bgr); }

  // Makes `bytes` (CP932, put after the script) the text of message `number`.
  void SetMessageText(int number, const std::string& bytes) {
    std::vector<uint8_t>& image = player.game.GameImage;
    const auto position = static_cast<int32_t>(image.size() + 1);
    image.insert(image.end(), bytes.begin(), bytes.end());
    player.game.MessageTexts.Set(number, TextSpan{position, static_cast<int32_t>(bytes.size())});
  }

  static void Fill(Surface& s, uint32_t bgr) {
    const uint32_t p = MapColour(s.Depth(), bgr);
    for (int y = 0; y < s.Height(); ++y) {
      for (int x = 0; x < s.Width(); ++x) s.WritePixel(x, y, p);
    }
  }
};

// One em of the box glyphs at a size in points (96 dpi).
inline int Em(double size_pt) {
  return static_cast<int>(size_pt * 96.0 / 72.0 + 0.5);
}

// Whether a box glyph cell drawn at (x, y) in `colour` with its one-pixel black shadow is on the surface:
// the cell's centre has the colour and the corner just past the cell has the shadow.
inline bool CellAt(const Surface& s, int x, int y, double size_pt, uint32_t bgr = 0xFFFFFF) {
  const int em = Em(size_pt);
  return s.ReadPixel(x + em / 2, y + em / 2) == MapColour(s.Depth(), bgr) &&
         s.ReadPixel(x + em - 1, y + em - 1) == MapColour(s.Depth(), 0);
}

// Whether nothing is drawn over the cell at (x, y): its centre still shows `bgr`.
inline bool EmptyAt(const Surface& s, int x, int y, double size_pt, uint32_t bgr) {
  const int em = Em(size_pt);
  return s.ReadPixel(x + em / 2, y + em / 2) == MapColour(s.Depth(), bgr);
}

}  // namespace corv::testing
