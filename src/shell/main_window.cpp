#include "shell/main_window.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "media/corner_note.h"
#include "shell/event_script.h"
#include "shell/player_keys.h"
#include "shell/shutdown.h"

namespace corv {

void Form_KeyPress(Player& player, int key_code) {
  if (key_code == 27) EndProgram(player);
  HandlePlayerKey(player, key_code);
}

void Form_MouseMove(Player& player, int, int, double x, double y) {
  player.input.PointerX = static_cast<int32_t>(std::lround(x));
  player.input.PointerY = static_cast<int32_t>(std::lround(y));
}

void Form_MouseUp(Player& player, int button, int shift, double x, double y) {
  Form_MouseMove(player, button, shift, x, y);
  if (button == 1) {
    player.input.LeftClicked = true;
  } else if (button == 2) {
    player.input.RightClicked = true;
  }
}

void CheckMCI1_Timer(Player& player) {
  MusicState& music = player.music;
  if (!music.MusicPlaying || !player.services.clock || !player.services.sequencer) return;
  const uint32_t now = player.services.clock->TickCount();
  if (TicksSince(now, music.MusicStartTick) >= static_cast<uint32_t>(std::max(music.MusicLength, 0))) {
    player.services.sequencer->SendString("seek sequencer to start");
    player.services.sequencer->SendString("play sequencer notify");
    music.MusicStartTick = player.services.clock->TickCount();
  }
}

void DoEvents(Player& player) {
  std::vector<InputEvent> events;
  if (player.services.display) player.services.display->PollEvents(events);
  for (const InputEvent& e : events) {
    switch (e.kind) {
      case InputEvent::Kind::kKeyPress:
        Form_KeyPress(player, e.key_code);
        break;
      case InputEvent::Kind::kMouseMove:
        Form_MouseMove(player, 0, 0, e.x, e.y);
        break;
      case InputEvent::Kind::kMouseUp:
        Form_MouseUp(player, e.button, 0, e.x, e.y);
        break;
      case InputEvent::Kind::kQuit:
        EndProgram(player);
    }
  }
  if (player.event_script) player.event_script->Deliver(player);
  ExpireCornerNote(player);
  if (player.services.clock) {
    const uint32_t now = player.services.clock->TickCount();
    if (static_cast<int32_t>(now - player.next_timer_tick) >= 0) {
      player.next_timer_tick = now + 1000;
      CheckMCI1_Timer(player);
    }
  }
}

void NoteWaitingForPlayer(Player& player) {
  if (player.event_script) player.event_script->NoteWaiting();
}

}  // namespace corv
