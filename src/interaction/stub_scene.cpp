// Placeholder until the scene redraw is built.
#include "interaction/waits.h"
#include "shell/unsupported.h"

namespace corv {
void RedrawScene(Player& player, Present) { Unsupported(player, "the scene redraw"); }
}  // namespace corv
