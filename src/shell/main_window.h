// The main window's event handlers, and the yield to the window system that runs them.
#pragma once

#include "shell/player.h"

namespace corv {

// Esc (27) ends the program; the player's own keys (volume, screenshot) are handled; every other key is
// ignored.
void Form_KeyPress(Player& player, int key_code);
void Form_MouseMove(Player& player, int button, int shift, double x, double y);
// Stores the pointer, then sets LeftClicked for button 1 or RightClicked for button 2.
void Form_MouseUp(Player& player, int button, int shift, double x, double y);
// The one-second music loop timer: restarts the piece once its length has passed.
void CheckMCI1_Timer(Player& player);

// The yield: lets the window system deliver every pending event (input, scripted input of an events
// file, and the music timer every 1000 ms of the clock), running the handlers above.
void DoEvents(Player& player);

// Called by every wait for the player after its first pass: the headless `idle` command waits for it.
void NoteWaitingForPlayer(Player& player);

}  // namespace corv
