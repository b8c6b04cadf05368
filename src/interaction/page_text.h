// The page-text layer: picture slot 5, keyed, laid over the whole frame, and its scrolling when the text
// reaches the foot of the screen (while text is typed, and to make room for a list of options).
#pragma once

#include "core/player.h"

namespace corv {

Surface& PageLayer(Player& player);

// Composes the page layer over the whole work surface, leaving out its key colour.
void ComposePageLayer(Player& player);

// Scrolls the page text up in steps of `step` pixels, showing every step; returns how far it moved
// (0 when `step` is not 1 to 210).
int32_t ScrollPageText(Player& player, int32_t step);

}  // namespace corv
