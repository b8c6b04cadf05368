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

// The length in bytes of the instruction whose opcode byte stands at `position`.
int32_t InstructionLength(const GameData& game, int32_t position);

// Opcode 131's body skipping: the distance from the option's opcode byte to the byte 8 that ends its
// body, or 0 when the file ends first.
int32_t SkipOptionBody(const GameData& game, int32_t position);

}  // namespace corv
