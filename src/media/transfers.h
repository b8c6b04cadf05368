// The whole-screen transfers between the frame surfaces, the flip, and presenting a finished frame.
#pragma once

#include "core/player.h"

namespace corv {

void CopyWorkToBack(Player& player);
void CopyMenuSaveToBack(Player& player);
void CopyWorkToMessageSave(Player& player);
void CopyWorkToMenuSave(Player& player);
void CopyMessageSaveToWork(Player& player);
// Exchanges BackBuffer and PrimarySurface and hands the new front frame to the display.
void FlipToScreen(Player& player);
// CopyWorkToBack, then FlipToScreen.
void PresentWork(Player& player);

// The frame on screen: the front frame, with the player's overlay drawn over a copy of it when one is
// open (the front frame itself is never drawn on).
const Surface& ShownFrame(Player& player);

}  // namespace corv
