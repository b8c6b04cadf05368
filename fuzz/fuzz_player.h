// A whole player on headless services for the fuzz targets: a display that answers every yield with a
// click and ends the run once its budget of yields or frames is spent, box glyphs, a recording sequencer,
// and a game folder holding a few real pictures and pieces of music.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "shell/player.h"

namespace corv::fuzz {

// Answers every yield with a pointer move and a left click, walking the pointer down the screen so that
// choice rows are hit as well as missed. Past `max_polls` yields or `max_presents` frames it reports the
// window closed, which ends the game through EndProgram like any orderly end.
class ClickingDisplay final : public Display {
 public:
  ClickingDisplay(VirtualClock& clock, int max_polls, int max_presents)
      : clock_(clock), max_polls_(max_polls), max_presents_(max_presents) {}

  std::vector<DisplayMode> EnumerateModes() override {
    return {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }
  bool SetMode(int, int, int, std::string*) override { return true; }
  void RestoreMode() override {}
  void Present(const Surface&) override {
    ++presents_;
    clock_.Advance(16);
  }
  void PollEvents(std::vector<InputEvent>& out) override {
    ++polls_;
    clock_.Advance(1);
    if (polls_ > max_polls_ || presents_ > max_presents_) {
      out.push_back({InputEvent::Kind::kQuit, 0, 0, 0, 0});
      return;
    }
    const double x = 120 + (polls_ * 53) % 400;
    const double y = 5 + (polls_ * 37) % 470;
    out.push_back({InputEvent::Kind::kMouseMove, 0, 0, x, y});
    out.push_back({InputEvent::Kind::kMouseUp, 0, 1, x, y});
  }
  int64_t FreeVideoMemory() override { return 0; }
  void ResetBudget() { polls_ = presents_ = 0; }

 private:
  VirtualClock& clock_;
  int polls_ = 0;
  int presents_ = 0;
  int max_polls_;
  int max_presents_;
};

// The folder every fuzzed game plays from: made once per process, holding pictures named BG, A and PAGE
// in three bitmap depths and music named THEME, as the seed scripts name them.
const std::string& ResourceFolder();

// One player reused from input to input: building the scenario's tables from nothing costs far more than
// running most inputs, so Reset puts every part of the player back to its state at start instead (the
// loader clears the tables themselves), which keeps each run independent of the ones before it.
struct HeadlessGame {
  VirtualClock clock;
  ClickingDisplay display;
  RecordingSequencer sequencer;
  std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  std::unique_ptr<Dialogs> dialogs = MakeHeadlessDialogs();
  std::unique_ptr<Player> owned = std::make_unique<Player>();
  Player& player = *owned;

  // depth 16, 24 or 32; drawing mode 0 to 2.
  HeadlessGame(int depth, int drawing_mode, int max_polls = 3000, int max_presents = 40);
  // The player as at start, with the given settings and the game image; the tables are left for
  // BuildTables to clear.
  void Reset(int depth, int drawing_mode, const uint8_t* data, size_t size);

  // Runs the loaded script until it ends or the budget is spent; the exit status.
  int Run();
};

}  // namespace corv::fuzz
