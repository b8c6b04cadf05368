#include "platform/sdl_environment.h"

#include <cstdlib>

namespace corv {

void UseHeadlessSdl() {
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
}

}  // namespace corv
