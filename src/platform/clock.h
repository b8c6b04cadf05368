// The millisecond tick counter. Ticks wrap around like the system tick count they stand in for;
// elapsed times are measured by unsigned subtraction, which survives the wrap.
#pragma once

#include <cstdint>
#include <memory>

namespace corv {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  // True for the virtual clock of headless runs, whose time moves only when the program moves it.
  virtual bool IsVirtual() const { return false; }
};

// Milliseconds elapsed from `since` to `now`, correct across one wrap of the counter.
inline uint32_t TicksSince(uint32_t now, uint32_t since) {
  return now - since;
}

// Real time, from SDL's millisecond counter.
std::unique_ptr<Clock> MakeSystemClock();

// The clock of headless runs: starts at 0 and moves only when told to (1 ms at every yield to the
// window system, 16 ms at every flip), so a replayed play-through is the same on every machine.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(uint32_t start_ms = 0) : now_ms_(start_ms) {}
  uint32_t TickCount() override { return now_ms_; }
  bool IsVirtual() const override { return true; }
  void Advance(uint32_t ms) { now_ms_ += ms; }

 private:
  uint32_t now_ms_;
};

}  // namespace corv
