// The display of every in-process test, fuzz target and benchmark: it offers 640x480 in 16, 24 and 32
// bits, hands out queued input one batch per yield, counts polls and frames, and, given a virtual clock,
// advances it 1 ms per poll and `present_ms` per frame as the headless display does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/surface.h"

namespace corv::test {

// Thrown by a strict display when a wait polls for input after the queued input is used up: the test
// is missing a click.
struct OutOfEvents {};

inline InputEvent LeftClick(double x = 320, double y = 240) {
  return {InputEvent::Kind::kMouseUp, 0, 1, x, y};
}
inline InputEvent RightClick(double x = 320, double y = 240) {
  return {InputEvent::Kind::kMouseUp, 0, 2, x, y};
}
inline InputEvent MoveTo(double x, double y) {
  return {InputEvent::Kind::kMouseMove, 0, 0, x, y};
}

class FakeDisplay final : public Display {
 public:
  FakeDisplay() = default;
  explicit FakeDisplay(VirtualClock& clock) : clock_(&clock) {}

  std::vector<DisplayMode> EnumerateModes() override { return modes; }
  bool SetMode(int, int, int, std::string*) override { return true; }
  void RestoreMode() override {}
  void Present(const Surface& frame) override;
  // Input comes from `on_poll` when set, else from the next queued batch.
  void PollEvents(std::vector<InputEvent>& out) override;
  int64_t FreeVideoMemory() override { return free_memory; }
  bool SetClipboardText(const std::string& utf8) override {
    clipboard = utf8;
    return true;
  }

  // Queues one batch per event.
  void Queue(std::initializer_list<InputEvent> events);
  // Queues yields that deliver nothing.
  void Idle(int yields = 1);
  void Move(int x, int y) { batches.push_back({MoveTo(x, y)}); }
  void Click(int x, int y) { batches.push_back({LeftClick(x, y)}); }
  void RightClick(int x = 320, int y = 400) { batches.push_back({test::RightClick(x, y)}); }
  // A left click on (x, y) and a right click, delivered in the same yield.
  void ClickAndRightClick(int x, int y) { batches.push_back({LeftClick(x, y), test::RightClick(x, y)}); }

  std::vector<DisplayMode> modes = {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  std::deque<std::vector<InputEvent>> batches;
  std::function<void(std::vector<InputEvent>&)> on_poll;
  std::function<void(const Surface&)> on_present;
  bool strict = false;       // a poll with nothing queued throws OutOfEvents
  bool keep_frames = false;  // every presented frame is kept in `frames`
  std::vector<Surface> frames;
  int polls = 0;
  int presents = 0;
  uint32_t present_ms = 16;
  int64_t free_memory = 0;
  std::string clipboard;

 private:
  VirtualClock* clock_ = nullptr;
};

// Makes the display answer every yield with a pointer move and a left click, walking the pointer down
// the screen so that choice rows are hit as well as missed. Past `max_polls` yields or `max_presents`
// frames (counted from the display's `polls` and `presents`) it reports the window closed, which ends a
// game through EndProgram like any orderly end. The fuzz targets and the replay of their kept inputs
// play games this way.
void ClickEveryYield(FakeDisplay& display, int max_polls, int max_presents);

}  // namespace corv::test
