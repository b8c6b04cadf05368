#include "shell/shutdown.h"

#include <cstdio>

#include "interaction/comforts.h"
#include "media/music.h"
#include "shell/trace.h"

namespace corv {

void RestoreDisplay(Player& player) {
  if (player.services.display) player.services.display->RestoreMode();
}

void EndProgram(Player& player, int status) {
  RestoreDisplay(player);
  SaveReadRecord(player);
  PlayMusic(player, "");
  if (player.trace && !player.trace->End()) {
    // A run whose trace is incomplete has failed, whatever the game did; an earlier failure keeps its status.
    std::fprintf(stderr, "corvalline: %s: cannot write the trace file\n", player.trace->path().c_str());
    if (status == 0) status = 1;
  }
  throw ProgramExit{status};
}

}  // namespace corv
