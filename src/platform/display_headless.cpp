// The display of headless runs: no window and no input of its own. Time moves only through it: every
// present is one frame of 16 ms, every yield to the window system 1 ms, so a replayed run is the same
// on every machine.
#include "platform/clock.h"
#include "platform/display.h"

namespace corv {
namespace {

class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay(VirtualClock& clock, const DisplayOptions& options) : clock_(clock), modes_(options.modes) {
    if (modes_.empty()) modes_ = {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }

  std::vector<DisplayMode> EnumerateModes() override { return modes_; }

  bool SetMode(int width, int height, int depth, std::string* error) override {
    if (depth != 16 && depth != 24 && depth != 32) {
      if (error) *error = "unsupported colour depth " + std::to_string(depth);
      return false;
    }
    (void)width;
    (void)height;
    return true;
  }

  void RestoreMode() override {}

  void Present(const Surface&) override { clock_.Advance(kFrameMs); }

  void PollEvents(std::vector<InputEvent>&) override { clock_.Advance(kYieldMs); }

  // Nothing is measured without a display.
  int64_t FreeVideoMemory() override { return 0; }

 private:
  static constexpr uint32_t kFrameMs = 16;
  static constexpr uint32_t kYieldMs = 1;
  VirtualClock& clock_;
  std::vector<DisplayMode> modes_;
};

}  // namespace

std::unique_ptr<Display> MakeHeadlessDisplay(VirtualClock& clock, const DisplayOptions& options) {
  return std::make_unique<HeadlessDisplay>(clock, options);
}

}  // namespace corv
