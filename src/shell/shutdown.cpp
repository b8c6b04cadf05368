#include "shell/shutdown.h"

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
  if (player.trace) player.trace->End();
  throw ProgramExit{status};
}

}  // namespace corv
