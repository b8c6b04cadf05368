// The display of the game fuzz target, shared with the replay of kept inputs so that both play a game
// the same way: every yield is answered with a click, and the window closes once a budget is spent.
#pragma once

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"

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
  int Polls() const { return polls_; }

 private:
  VirtualClock& clock_;
  int polls_ = 0;
  int presents_ = 0;
  int max_polls_;
  int max_presents_;
};

}  // namespace corv::fuzz
