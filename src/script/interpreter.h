// The interpreter loop and the dispatch of an instruction to its handler.
#pragma once

#include <cstdint>
#include <string>

#include "core/player.h"

namespace corv {

// Runs the scenario from position 37 until it ends; always ends through EndProgram.
[[noreturn]] void RunScript(Player& player);

// Executes the instruction at `position` (== ScriptPosition) and returns how far ScriptPosition moves on;
// 0 when the handler has set ScriptPosition itself.
int32_t ExecuteInstruction(Player& player, int32_t position);

}  // namespace corv
