// A whole player built in-process for the tests of text and waits: real surfaces in a chosen depth, box
// glyphs (so text is checked by where its cells land), a virtual clock, and a display whose event polls
// hand out scripted input.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/player.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "shell/display_init.h"

namespace corv::testing {

// Every poll advances the clock 1 ms and every present 16 ms, as the headless display does. Input comes
// from `on_poll` when set, else one queued event per poll.
class ScriptedDisplay final : public Display {
 public:
  explicit ScriptedDisplay(VirtualClock& clock) : clock_(clock) {}

  std::vector<DisplayMode> EnumerateModes() override {
    return {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }
  bool SetMode(int, int, int, std::string*) override { return true; }
  void RestoreMode() override {}
  void Present(const Surface& frame) override {
    ++presents;
    if (on_present) on_present(frame);
    clock_.Advance(present_ms);
  }
  void PollEvents(std::vector<InputEvent>& out) override {
    ++polls;
    clock_.Advance(1);
    if (on_poll) {
      on_poll(out);
    } else if (!queue.empty()) {
      out.push_back(queue.front());
      queue.pop_front();
    }
  }
  int64_t FreeVideoMemory() override { return 0; }

  std::function<void(std::vector<InputEvent>&)> on_poll;
  std::function<void(const Surface&)> on_present;
  std::deque<InputEvent> queue;
  int polls = 0;
  int presents = 0;
  uint32_t present_ms = 16;

 private:
  VirtualClock& clock_;
};

inline InputEvent LeftClick(double x = 320, double y = 240) {
  return {InputEvent::Kind::kMouseUp, 0, 1, x, y};
}
inline InputEvent RightClick(double x = 320, double y = 240) {
  return {InputEvent::Kind::kMouseUp, 0, 2, x, y};
}
inline InputEvent MoveTo(double x, double y) {
  return {InputEvent::Kind::kMouseMove, 0, 0, x, y};
}

inline constexpr uint32_t kBackdrop = 0x404040;  // the scene behind the text, so the black shadow shows
inline constexpr uint32_t kLayerKey = 0xFF00FF;  // the page layer's key colour

struct ScriptedPlayer {
  VirtualClock clock;
  ScriptedDisplay display{clock};
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
    player.game.MessageTexts[number] = TextSpan{position, static_cast<int32_t>(bytes.size())};
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
