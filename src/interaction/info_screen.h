// The information screen opened by "O P T I O N": the program's version, the display mode, the free
// video memory and the drawing mode on a large dark panel, until a right click.
#pragma once

#include <cstdint>
#include <string>

#include "core/player.h"
#include "platform/result.h"

namespace corv {

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;

// Ends with a right click; fails when a drawing step fails.
Status InfoScreen(Player& player);
// Prepares MenuSaveSurface: the page with the panel over it (the menu's own panel is not kept).
void DrawInfoPanel(Player& player);
// Draws the five lines onto the surface at 16 points; the font size is left at 16.
Status DrawInfoText(Player& player, Surface& surface);

// A number with one leading blank where a sign would stand: 2 gives " 2", -3 gives "-3".
std::u32string SignedNumberText(int64_t n);
// Decimal digits in groups of three separated by commas, no digits at all for 0: 4194304 gives
// "4,194,304".
std::u32string GroupedNumberText(int64_t n);
// The five lines, in drawing order.
std::u32string VersionLine();
std::u32string DisplayModeLine(int depth);
std::u32string VideoMemoryLine(int64_t free_bytes);
std::u32string DrawingModeLine(int mode);

}  // namespace corv
