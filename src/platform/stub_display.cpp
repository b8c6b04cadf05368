// Placeholders until the platform services are built.
#include <chrono>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/glyphs.h"

namespace corv {
namespace {
class SteadyClock final : public Clock {
 public:
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};
class NullDisplay final : public Display {
 public:
  explicit NullDisplay(VirtualClock* clock) : clock_(clock) {}
  std::vector<DisplayMode> EnumerateModes() override {
    return {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }
  bool SetMode(int, int, int, std::string*) override { return true; }
  void RestoreMode() override {}
  void Present(const Surface&) override {
    if (clock_) clock_->Advance(16);
  }
  void PollEvents(std::vector<InputEvent>&) override {
    if (clock_) clock_->Advance(1);
  }
  int64_t FreeVideoMemory() override { return 0; }

 private:
  VirtualClock* clock_;
};
}  // namespace

std::unique_ptr<Clock> MakeSystemClock() {
  return std::make_unique<SteadyClock>();
}
std::unique_ptr<Display> MakeSdlDisplay(const DisplayOptions&) {
  return std::make_unique<NullDisplay>(nullptr);
}
std::unique_ptr<Display> MakeHeadlessDisplay(VirtualClock& clock, const DisplayOptions&) {
  return std::make_unique<NullDisplay>(&clock);
}
std::unique_ptr<GlyphSource> MakeTrueTypeGlyphSource(std::string* error, const std::string&) {
  if (error) *error = "no font support yet";
  return nullptr;
}

}  // namespace corv
