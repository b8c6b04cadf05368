// The message window backdrop: the frame behind a message's text, shaded on WorkSurface and presented.
#include "media/message_window.h"

#include <cmath>

#include "media/shading.h"
#include "media/transfers.h"

namespace corv {

namespace {

// The window: columns 50 to 590 and rows 340 to 460 in the shading routines' both-ends-included terms.
constexpr int32_t kWindowX = 50;
constexpr int32_t kWindowY = 340;
constexpr int32_t kWindowWidth = 540;
constexpr int32_t kWindowHeight = 120;
constexpr int32_t kWindowPercent = 70;
constexpr int kBands = 40;

// Rounded down, as the real division of the gradient steps is (it matters only below 0).
int32_t FloorDiv(int32_t a, int32_t b) {
  return static_cast<int32_t>(std::floor(static_cast<double>(a) / b));
}

// Fine mode: 40 bands of 3 rows, blended from the bottom (darkest) to the top (lightest). Each channel
// grows by a fixed step per band until the next step would pass 255; from then on it stays.
void DrawGradient(Player& player, int32_t red, int32_t green, int32_t blue) {
  int32_t step_red = FloorDiv(red + 120, 40);
  int32_t step_green = FloorDiv(green + 120, 40);
  int32_t step_blue = FloorDiv(blue + 120, 40);
  for (int i = 0; i < kBands; ++i) {
    if (red + step_red > 255) step_red = 0;
    if (green + step_green > 255) step_green = 0;
    if (blue + step_blue > 255) step_blue = 0;
    red += step_red;
    green += step_green;
    blue += step_blue;
    BlendRect(player.screen.WorkSurface, player.settings.ColourDepth, kWindowX,
              kWindowY + 3 * (kBands - 1 - i), kWindowWidth, 2, red, green, blue, kWindowPercent);
  }
}

// Coarse mode: one solid box in the colour, fill and outline alike.
void DrawSolidBox(Player& player, int32_t red, int32_t green, int32_t blue) {
  Surface& work = player.screen.WorkSurface;
  const uint32_t colour = (static_cast<uint32_t>(blue & 0xFF) << 16) |
                          (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(red & 0xFF);
  work.fill_colour = colour;
  work.fore_colour = colour;
  DrawBox(work, kWindowX, kWindowY, kWindowX + kWindowWidth, kWindowY + kWindowHeight);
}

}  // namespace

void DrawMessageWindow(Player& player, int32_t red, int32_t green, int32_t blue) {
  Surface& work = player.screen.WorkSurface;
  const int depth = player.settings.ColourDepth;
  // The results of the shading routines are not looked at: whatever the surface holds is presented.
  if (player.script.TextMode != 0) {
    DarkenRect(work, depth, 0, 0, kScreenWidth, kScreenHeight, 64, 64, 64);  // the whole page, for page text
  } else if (player.settings.DrawingMode == 1) {
    BlendRect(work, depth, kWindowX, kWindowY, kWindowWidth, kWindowHeight, red, green, blue, kWindowPercent);
  } else if (player.settings.DrawingMode == 2) {
    DrawGradient(player, red, green, blue);
  } else {
    DrawSolidBox(player, red, green, blue);
  }
  PresentWork(player);
}

}  // namespace corv
