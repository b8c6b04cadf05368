// Message text: window text in the message window, page text over the whole screen.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

// Converts half-width characters to their full-width forms: ASCII from the blank to the tilde and the
// half-width katakana (with a following sound mark combined into one character). Others stay.
std::u32string ToFullWidth(const std::u32string& text);

void ShowMessageText(Player& player);
void DrawWindowText(Player& player, const std::u32string& text);
void DrawPageText(Player& player, const std::u32string& text);
int32_t ScrollPageText(Player& player, int32_t step);
void DrawWindowPicture(Player& player);

// Opcode 130's whole sequence: scene, window, window picture, saved frame, text.
void ShowMessage(Player& player);

}  // namespace corv
