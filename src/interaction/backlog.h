// The backlog: the last messages shown and the options picked, over the frame on screen darkened, in an
// overlay that leaves the game's surfaces alone. Opened from a wait by wheel-up, PageUp or B; scrolled by
// the wheel, the arrows and PageUp/PageDown; closed by the wheel turned down past its end, a right click,
// Esc or B.
#pragma once

#include <string>
#include <vector>

#include "core/player.h"

namespace corv {

// Runs the backlog nested inside the wait that opened it; on return the screen shows the frame it
// showed before.
void OpenBacklog(Player& player);

// The backlog as lines of text, oldest first, at most `width` characters each; picked options are marked.
struct BacklogLine {
  std::u32string text;
  bool picked_option = false;
};
[[nodiscard]] std::vector<BacklogLine> BacklogLines(const std::deque<BacklogEntry>& backlog, size_t width);

}  // namespace corv
