#include "core/shutdown.h"

#include <cstdio>

#include "core/trace.h"

namespace corv {

void RestoreDisplay(Player& player) {
  if (player.services.display) player.services.display->RestoreMode();
}

void StopMusic(Player& player) {
  MusicState& music = player.music;
  Sequencer* sequencer = player.services.sequencer;  // a player without one (some tests) sends nothing
  music.MusicLength = 0;
  music.MusicPlaying = false;
  music.MusicStartTick = 0;
  if (music.SequencerOpen && sequencer) sequencer->SendString("close sequencer");
  music.SequencerOpen = false;
  if (sequencer) sequencer->SendString("close sequencer");  // again, even if just closed
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
  if (player.hooks.at_exit) player.hooks.at_exit(player);
  StopMusic(player);
  if (player.trace && !player.trace->End()) {
    // A run whose trace is incomplete has failed, whatever the game did; an earlier failure keeps its status.
    std::fprintf(stderr, "corvalline: %s: cannot write the trace file\n", player.trace->path().c_str());
    if (status == 0) status = 1;
  }
  throw ProgramExit{status};
}

void ScriptFault(Player& player, int64_t position, const std::string& what) {
  std::fprintf(stderr, "corvalline: script error at position %lld: %s\n", static_cast<long long>(position),
               what.c_str());
  EndProgram(player);
}

}  // namespace corv
