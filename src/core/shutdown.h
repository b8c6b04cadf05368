// The one orderly way out of a running game.
#pragma once

#include "core/player.h"

namespace corv {

// Gives the screen back to the desktop.
void RestoreDisplay(Player& player);

// Restores the display, stops the music, writes "end" to the trace and ends the program by throwing
// ProgramExit{status}, which main catches. Never returns. A trace that could not be written is reported
// on stderr and turns a status of 0 into 1.
[[noreturn]] void EndProgram(Player& player, int status = 0);

}  // namespace corv
