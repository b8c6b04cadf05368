// Colour packing and rectangle shading in the display's pixel format, bit-exact.
#pragma once

#include <cstdint>

#include "platform/surface.h"

namespace corv {

// Replaces each channel by its field value in the pixel format of `depth` and returns their OR.
int32_t PackColour(int depth, int32_t& red, int32_t& green, int32_t& blue);

// Rectangles are (x, y, w, h) with both ends included; pixels outside the surface are skipped.
bool DarkenRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                int32_t green, int32_t blue);
bool BlendRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
               int32_t green, int32_t blue, int32_t percent);

}  // namespace corv
