#include "core/events.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/shutdown.h"
#include "platform/text_codec.h"

namespace corv {
namespace {

void CopyMessageToClipboard(Player& player) {
  std::u32string text;
  for (char32_t c : player.comforts.message_text) {
    if (c != U'\r') text += c;  // CR LF breaks become plain line feeds
  }
  if (player.services.display) (void)player.services.display->SetClipboardText(ToUtf8(text));
}

}  // namespace

void Form_KeyPress(Player& player, int key_code) {
  if (key_code == 27) {
    if (!player.comforts.overlay.draw) EndProgram(player);
    player.input.PendingKey = WaitKey::kClose;
    return;
  }
  if (player.hooks.own_key && player.hooks.own_key(player, key_code)) return;
  if (!player.comforts.strict) ComfortKeyPress(player, key_code);
}

void Form_KeyRelease(Player& player, int key_code) {
  if (!player.comforts.strict) ComfortKeyRelease(player, key_code);
}

void Form_MouseWheel(Player& player, int direction) {
  if (!player.comforts.strict) ComfortWheel(player, direction);
}

void Form_MouseMove(Player& player, int, int, double x, double y) {
  player.input.PointerX = static_cast<int32_t>(std::lround(x));
  player.input.PointerY = static_cast<int32_t>(std::lround(y));
  player.input.PointerMoved = true;
}

void Form_MouseUp(Player& player, int button, int shift, double x, double y) {
  Form_MouseMove(player, button, shift, x, y);
  if (button == 1) {
    player.input.LeftClicked = true;
    ComfortClick(player);
  } else if (button == 2) {
    player.input.RightClicked = true;
    ComfortClick(player);
  }
}

// The keys a wait answers to, and what each stands for there.
constexpr std::pair<int, WaitKey> kWaitKeys[] = {
    {13, WaitKey::kConfirm},    {32, WaitKey::kConfirm},        {kKeyUp, WaitKey::kUp},
    {kKeyDown, WaitKey::kDown}, {kKeyPageUp, WaitKey::kPageUp}, {kKeyPageDown, WaitKey::kPageDown},
    {'b', WaitKey::kBacklog},   {'B', WaitKey::kBacklog},
};

void ComfortKeyPress(Player& player, int key_code) {
  Comforts& comforts = player.comforts;
  if (key_code != 'a' && key_code != 'A') comforts.auto_mode = false;
  for (const auto& [key, wait_key] : kWaitKeys) {
    if (key == key_code) player.input.PendingKey = wait_key;
  }
  switch (key_code) {
    case 9:
      comforts.skip_mode = !comforts.skip_mode;
      break;
    case 'a':
    case 'A':
      comforts.auto_mode = !comforts.auto_mode;
      break;
    case kKeyCtrl:
      comforts.ctrl_held = true;
      break;
    case kKeyCopy:
      CopyMessageToClipboard(player);
      break;
    default:
      break;
  }
}

void ComfortKeyRelease(Player& player, int key_code) {
  if (key_code == kKeyCtrl) player.comforts.ctrl_held = false;
}

void ComfortWheel(Player& player, int direction) {
  player.comforts.auto_mode = false;
  player.input.PendingKey = direction > 0 ? WaitKey::kWheelUp : WaitKey::kWheelDown;
}

void ComfortClick(Player& player) {
  player.comforts.auto_mode = false;
}

void CheckMCI1_Timer(Player& player, uint32_t tick) {
  MusicState& music = player.music;
  if (!music.MusicPlaying || !player.services.sequencer) return;
  if (TicksSince(tick, music.MusicStartTick) >= static_cast<uint32_t>(std::max(music.MusicLength, 0))) {
    player.services.sequencer->SendString("seek sequencer to start");
    player.services.sequencer->SendString("play sequencer notify");
    music.MusicStartTick = tick;
  }
}

void DispatchInput(Player& player, const InputEvent& e) {
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
    case InputEvent::Kind::kKeyRelease:
      Form_KeyRelease(player, e.key_code);
      break;
    case InputEvent::Kind::kWheel:
      Form_MouseWheel(player, e.button);
      break;
    case InputEvent::Kind::kQuit:
      EndProgram(player);
  }
}

void DoEvents(Player& player) {
  std::vector<InputEvent> events;
  if (player.services.display) player.services.display->PollEvents(events);
  for (const InputEvent& e : events) DispatchInput(player, e);
  if (player.event_script) player.event_script->Deliver(player);
  if (player.hooks.at_yield) player.hooks.at_yield(player);
  if (player.services.clock) {
    // The timer keeps its own beat: each tick is due 1000 ms after the one before, however late that one
    // ran, and ticks missed while the program was busy fold into one, which counts as the latest of them.
    const uint32_t late = player.services.clock->TickCount() - player.next_timer_tick;
    if (static_cast<int32_t>(late) >= 0) {
      const uint32_t tick = player.next_timer_tick + late / kTimerIntervalMs * kTimerIntervalMs;
      player.next_timer_tick = tick + kTimerIntervalMs;
      CheckMCI1_Timer(player, tick);
    }
  }
}

void NoteWaitingForPlayer(Player& player) {
  if (player.event_script) player.event_script->NoteWaiting();
}

}  // namespace corv
