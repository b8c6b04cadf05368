// The corner note: a one-second line of the player's own over the top-right corner of the screen (the
// volume just set, where a screenshot went). It is added to a copy of the frame as the frame is handed
// to the display, so the game's surfaces, screenshots and scripted shots never contain it.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

inline constexpr uint32_t kCornerNoteMs = 1000;

// Shows `text` for a second from now, at once.
void ShowCornerNote(Player& player, const std::u32string& text);

// Hands the frame on screen to the display (the front frame with the overlay, if one is open), with the
// note over it while one is due: after every flip, and after an overlay was opened, changed or closed.
void PresentScreen(Player& player);

// Called at every yield: takes a note whose second is over off the screen.
void ExpireCornerNote(Player& player);

}  // namespace corv
