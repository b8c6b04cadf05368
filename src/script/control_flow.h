// Labels, jumps and variable arithmetic.
#pragma once

#include <cstdint>

#include "core/player.h"

namespace corv {

bool CompareValue(int32_t value, uint8_t op, int32_t constant);
void GotoLabel(Player& player);     // opcode 10
bool IfGoto(Player& player);        // opcode 12: true when it jumped
bool IfPairGoto(Player& player);    // opcode 13: true when it jumped
void CalcVariable(Player& player);  // opcode 14; writes its own trace line, with the value it stored

// The new value of a variable holding `value` after arithmetic operation `operation` with operand x
// (1 set, 2 add, 3 subtract, 4 multiply, 5 divide rounding, 6 divide truncating, 7 random 1..x).
int32_t Calculate(int32_t value, uint8_t operation, int32_t x, std::mt19937& random);

}  // namespace corv
