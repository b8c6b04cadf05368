// The ways out of a running game: the orderly end and the end on a script fault.
#pragma once

#include <cstdint>
#include <string>

#include "core/player.h"

namespace corv {

// Gives the screen back to the desktop.
void RestoreDisplay(Player& player);

// Stops the music and closes the sequencer (stopping is always safe, even when nothing plays).
void StopMusic(Player& player);

// Restores the display, runs Hooks::at_exit, stops the music, writes "end" to the trace and ends the
// program by throwing ProgramExit{status}, which main catches. Never returns. A trace that could not be
// written is reported on stderr and turns a status of 0 into 1.
[[noreturn]] void EndProgram(Player& player, int status = 0);

// A script that names something that does not exist (a variable or label number out of range, a jump
// into nowhere, an instruction cut off by the end of the file): says so on stderr with the position of
// the instruction, then ends the program through EndProgram.
[[noreturn]] void ScriptFault(Player& player, int64_t position, const std::string& what);

}  // namespace corv
