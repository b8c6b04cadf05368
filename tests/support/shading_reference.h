// The rectangle shading written the plain way, pixel by pixel on field values, exactly as the arithmetic
// reads. The shipped routines must give the same bits; tests and the benchmark hold them against this.
#pragma once

#include <cstdint>

#include "platform/surface.h"

namespace corv::reference {

inline int32_t PackColour(int depth, int32_t& red, int32_t& green, int32_t& blue) {
  green = green * 256;
  red = red * 65536;
  if (depth >= 24) return red | green | blue;
  blue = blue / 8;
  green = (green / 32) & 0x7E0;
  red = (red / 263) & static_cast<int32_t>(0xFFFFF800u);
  return red | green | blue;
}

struct Masks {
  int32_t red, green, blue;
};

inline Masks MasksFor(int depth) {
  if (depth >= 24) return {0xFF0000, 0xFF00, 0xFF};
  return {static_cast<int32_t>(0xFFFFF800u), 0x7E0, 0x1F};
}

inline bool OnSurface(const Surface& s, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < s.Width() && y < s.Height();
}

inline void DarkenRect(Surface& s, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                       int32_t green, int32_t blue) {
  PackColour(depth, red, green, blue);
  const Masks m = MasksFor(depth);
  for (int64_t py = y; py <= int64_t{y} + h; ++py) {
    for (int64_t px = x; px <= int64_t{x} + w; ++px) {
      if (!OnSurface(s, px, py)) continue;
      const auto p = static_cast<int32_t>(s.ReadPixel(static_cast<int>(px), static_cast<int>(py)));
      int32_t r = (p & m.red) - red;
      int32_t g = (p & m.green) - green;
      int32_t b = (p & m.blue) - blue;
      if (r < 0) r = 0;
      if (g < 0) g = 0;
      if (b < 0) b = 0;
      s.WritePixel(static_cast<int>(px), static_cast<int>(py), static_cast<uint32_t>(r | g | b));
    }
  }
}

inline void BlendRect(Surface& s, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                      int32_t green, int32_t blue, int32_t percent) {
  PackColour(depth, red, green, blue);
  const int32_t q = 100 - percent;
  const Masks m = MasksFor(depth);
  for (int64_t py = y; py <= int64_t{y} + h; ++py) {
    for (int64_t px = x; px <= int64_t{x} + w; ++px) {
      if (!OnSurface(s, px, py)) continue;
      const auto p = static_cast<int32_t>(s.ReadPixel(static_cast<int>(px), static_cast<int>(py)));
      const int32_t r = (((p & m.red) * q) + (red * percent)) / 100 & m.red;
      const int32_t g = (((p & m.green) * q) + (green * percent)) / 100 & m.green;
      const int32_t b = (((p & m.blue) * q) + (blue * percent)) / 100;
      s.WritePixel(static_cast<int>(px), static_cast<int>(py), static_cast<uint32_t>(r | g | b));
    }
  }
}

}  // namespace corv::reference
