// Opcodes and services that are not built yet say so plainly and end the program with status 3.
#pragma once

#include "shell/player.h"

namespace corv {

[[noreturn]] void Unsupported(Player& player, const char* what);

}  // namespace corv
