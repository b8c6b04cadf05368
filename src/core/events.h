// The yield to the window system and the main window's event handlers it runs: the pointer, the click
// flags, the keys the waits answer, the reading comforts' modes, scripted input and the music timer.
#pragma once

#include "core/player.h"

namespace corv {

// Esc (27) ends the program, or closes an overlay that is open. The player's own keys (volume,
// screenshot, settings; Hooks::own_key) are handled always; with --strict every other key is ignored,
// otherwise the reading comforts take them (ComfortKeyPress).
void Form_KeyPress(Player& player, int key_code);
// The release of a key that reports one (Ctrl); ignored with --strict.
void Form_KeyRelease(Player& player, int key_code);
// A turn of the wheel, 1 up or -1 down; ignored with --strict.
void Form_MouseWheel(Player& player, int direction);
void Form_MouseMove(Player& player, int button, int shift, double x, double y);
// Stores the pointer, then sets LeftClicked for button 1 or RightClicked for button 2.
void Form_MouseUp(Player& player, int button, int shift, double x, double y);
inline constexpr uint32_t kTimerIntervalMs = 1000;

// The comforts' share of the handlers (not in strict mode). Modes (Ctrl, Tab, A) and the copy (Ctrl+C)
// act at once; other keys wait for a wait to take them (interaction/comforts.h).
void ComfortKeyPress(Player& player, int key_code);
void ComfortKeyRelease(Player& player, int key_code);
void ComfortWheel(Player& player, int direction);  // 1 up, -1 down
// A mouse click ends auto mode.
void ComfortClick(Player& player);

// The one-second music loop timer, run for the tick due at `tick`: restarts the piece once its length
// has passed by then. The restart counts from the tick, not from when the tick ran, so a late delivery
// never pushes the next restart back.
void CheckMCI1_Timer(Player& player, uint32_t tick);

// Runs the handler above for one input event, as the window or an events file sends it.
void DispatchInput(Player& player, const InputEvent& e);

// The yield: lets the window system deliver every pending event (input, scripted input of an events
// file, and the music timer every 1000 ms of the clock), running the handlers above, then
// Hooks::at_yield.
void DoEvents(Player& player);

// Called by every wait for the player after its first pass: the headless `idle` command waits for it.
void NoteWaitingForPlayer(Player& player);

}  // namespace corv
