// The interpreter loop and the dispatch of an instruction to its handler.
#pragma once

#include <cstdint>
#include <string>

#include "shell/player.h"

namespace corv {

// Runs the scenario from position 37 until it ends; always ends through EndProgram.
[[noreturn]] void RunScript(Player& player);

// Executes the instruction at `position` (== ScriptPosition) and returns how far ScriptPosition moves on;
// 0 when the handler has set ScriptPosition itself.
int32_t ExecuteInstruction(Player& player, int32_t position);

// A script that names something that does not exist (a variable or label number out of range, a jump
// into nowhere, an instruction cut off by the end of the file): says so on stderr with the position of
// the instruction, then ends the program through EndProgram.
[[noreturn]] void ScriptFault(Player& player, int64_t position, const std::string& what);

}  // namespace corv
