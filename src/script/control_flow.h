// Labels, jumps and variable arithmetic.
#pragma once

#include <cstdint>

#include "shell/player.h"

namespace corv {

bool CompareValue(int32_t value, uint8_t op, int32_t constant);
void GotoLabel(Player& player);   // opcode 10
bool IfGoto(Player& player);      // opcode 12: true when it jumped
bool IfPairGoto(Player& player);  // opcode 13: true when it jumped
void CalcVariable(Player& player);  // opcode 14

}  // namespace corv
