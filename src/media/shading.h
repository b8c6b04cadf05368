// Colour packing and rectangle shading in the display's pixel format, bit-exact.
//
// Two pixel formats, chosen by the colour depth: 8:8:8 for depths 24 and 32 (red in bits 16-23, green
// 8-15, blue 0-7; bits 24-31 are cleared on write) and 5:6:5 for depth 16. The rectangle routines give,
// per channel and in the channel's own width,
//   DarkenRect: new = max(0, old - colour)
//   BlendRect:  new = floor((old * (100 - percent) + colour * percent) / 100)
// where the colour's channels are quantised by PackColour first (so 16-bit red uses 32 * red / 263).
// The rows are processed with vector instructions where the processor has them; every path gives the same
// bits as the plain per-pixel arithmetic.
#pragma once

#include <cstdint>

#include "platform/cpu_features.h"
#include "platform/surface.h"

namespace corv {

// Replaces each channel by its field value in the pixel format of `depth` and returns their OR. Values
// outside 0..255 are neither clamped nor masked.
int32_t PackColour(int depth, int32_t& red, int32_t& green, int32_t& blue);

// Rectangles are (x, y, w, h) with both ends included: columns x..x+w and rows y..y+h. Pixels of that range
// outside the surface are skipped; a negative width or height covers nothing. Colour channels are taken
// within 0..255 and the percent within 0..100 (values beyond are clamped: the arithmetic is only defined
// there). False when the surface is empty, its layout does not match `depth`, or `simd` is not available.
bool DarkenRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                int32_t green, int32_t blue, Simd simd = Simd::kBest);
bool BlendRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
               int32_t green, int32_t blue, int32_t percent, Simd simd = Simd::kBest);

}  // namespace corv
