// The message window backdrop.
#pragma once

#include "core/player.h"

namespace corv {

void DrawMessageWindow(Player& player, int32_t red, int32_t green, int32_t blue);

}  // namespace corv
