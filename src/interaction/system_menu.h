// The system menu opened by a right click during any wait.
#pragma once

#include "shell/player.h"

namespace corv {

int32_t SystemMenu(Player& player);

}  // namespace corv
