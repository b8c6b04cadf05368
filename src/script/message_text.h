// Message text: window text in the message window, page text over the whole screen.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

void ShowMessageText(Player& player);
void DrawWindowText(Player& player, const std::u32string& text);
void DrawPageText(Player& player, const std::u32string& text);
void DrawWindowPicture(Player& player);

// Opcode 130's whole sequence: scene, window, window picture, saved frame, text.
void ShowMessage(Player& player);

}  // namespace corv
