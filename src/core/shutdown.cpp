#include "core/shutdown.h"

#include <cstdio>

#include "core/trace.h"
#include "interaction/comforts.h"
#include "media/music.h"

namespace corv {

void RestoreDisplay(Player& player) {
  if (player.services.display) player.services.display->RestoreMode();
}

namespace {

// The window as the player leaves it is remembered for the next start.
void RememberWindow(Player& player) {
  if (!player.services.display) return;
  const std::optional<WindowState> window = player.services.display->CurrentWindowState();
  if (!window) return;
  player.preferences.fullscreen = window->fullscreen;
  if (window->width > 0 && window->height > 0) {
    player.preferences.window_width = window->width;
    player.preferences.window_height = window->height;
  }
}

}  // namespace

void EndProgram(Player& player, int status) {
  RememberWindow(player);
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
