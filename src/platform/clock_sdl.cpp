// Real time for players: SDL's millisecond counter, cut to 32 bits so it wraps like the tick count
// the games were written against.
#include <SDL.h>

#include "platform/clock.h"

namespace corv {
namespace {

class SdlClock final : public Clock {
 public:
  uint32_t TickCount() override { return static_cast<uint32_t>(SDL_GetTicks64()); }
};

}  // namespace

std::unique_ptr<Clock> MakeSystemClock() {
  return std::make_unique<SdlClock>();
}

}  // namespace corv
