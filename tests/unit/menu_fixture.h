// A whole player in-process for the system menu's tests: a display that delivers queued input one batch
// per yield and keeps every frame it is shown, a virtual clock, box glyphs and a recording sequencer.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/player.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "shell/display_init.h"

namespace corv::testing {

// Thrown when a wait polls for input after the queued events are used up: the test is missing a click.
struct OutOfEvents {};

class MenuDisplay final : public Display {
 public:
  explicit MenuDisplay(VirtualClock& clock) : clock_(clock) {}
  std::vector<DisplayMode> EnumerateModes() override {
    return {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }
  bool SetMode(int, int, int, std::string*) override { return true; }
  void RestoreMode() override {}
  void Present(const Surface& frame) override {
    clock_.Advance(16);
    frames.push_back(frame);
  }
  void PollEvents(std::vector<InputEvent>& out) override {
    clock_.Advance(1);
    if (batches.empty()) throw OutOfEvents{};
    out.insert(out.end(), batches.front().begin(), batches.front().end());
    batches.pop_front();
  }
  int64_t FreeVideoMemory() override { return free_memory; }
  bool SetClipboardText(const std::string& utf8) override {
    clipboard = utf8;
    return true;
  }

  // One yield that delivers nothing, or a batch of events.
  void Idle(int yields = 1) {
    for (int i = 0; i < yields; ++i) batches.emplace_back();
  }
  void Move(int x, int y) { batches.push_back({Mouse(InputEvent::Kind::kMouseMove, 0, x, y)}); }
  void Click(int x, int y) { batches.push_back({Mouse(InputEvent::Kind::kMouseUp, 1, x, y)}); }
  void RightClick(int x = 320, int y = 400) {
    batches.push_back({Mouse(InputEvent::Kind::kMouseUp, 2, x, y)});
  }
  // A left click on (x, y) and a right click, delivered in the same yield.
  void ClickAndRightClick(int x, int y) {
    batches.push_back(
        {Mouse(InputEvent::Kind::kMouseUp, 1, x, y), Mouse(InputEvent::Kind::kMouseUp, 2, x, y)});
  }

  std::deque<std::vector<InputEvent>> batches;
  std::vector<Surface> frames;
  int64_t free_memory = 0;
  std::string clipboard;

 private:
  static InputEvent Mouse(InputEvent::Kind kind, int button, int x, int y) {
    InputEvent e;
    e.kind = kind;
    e.button = button;
    e.x = x;
    e.y = y;
    return e;
  }
  VirtualClock& clock_;
};

struct MenuRig {
  explicit MenuRig(int depth = 32, int drawing_mode = 1) : display(clock), glyphs(MakeBoxGlyphSource()) {
    player.services.display = &display;
    player.services.clock = &clock;
    player.services.glyphs = glyphs.get();
    player.services.sequencer = &sequencer;
    player.settings.ColourDepth = depth;
    player.settings.DrawingMode = drawing_mode;
    CreateSurfaces(player);
  }
  VirtualClock clock;
  MenuDisplay display;
  std::unique_ptr<GlyphSource> glyphs;
  RecordingSequencer sequencer;
  Player player;
};

// A fresh folder under the test's temporary directory, removed with its content at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corv-menu-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    path_ += "/";
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Fills a whole surface with one raw pixel value.
inline void Fill(Surface& s, uint32_t pixel) {
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) s.WritePixel(x, y, pixel);
  }
}

inline bool SamePixels(const Surface& a, const Surface& b) {
  return a.SizeBytes() == b.SizeBytes() && std::equal(a.Data(), a.Data() + a.SizeBytes(), b.Data());
}

}  // namespace corv::testing
