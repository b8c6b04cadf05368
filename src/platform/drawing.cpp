// Boxes, lines and text drawn in a surface's drawing state.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/glyphs.h"
#include "platform/pixel_access.h"
#include "platform/surface.h"

namespace corv {

namespace {

void FillSpan(Surface& s, int x1, int x2, int y, uint32_t pixel) {
  if (y < 0 || y >= s.Height()) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, s.Width());
  if (x1 >= x2) return;
  uint8_t* row = s.Row(y);
  switch (s.BytesPerPixel()) {
    case 2:
      for (int x = x1; x < x2; ++x) Store<2>(row + 2 * x, pixel);
      break;
    case 3:
      for (int x = x1; x < x2; ++x) Store<3>(row + 3 * x, pixel);
      break;
    default:
      for (int x = x1; x < x2; ++x) Store<4>(row + 4 * x, pixel);
      break;
  }
}

void PutPixel(Surface& s, int x, int y, uint32_t pixel) {
  if (x >= 0 && y >= 0 && x < s.Width() && y < s.Height()) s.WritePixel(x, y, pixel);
}

}  // namespace

void DrawBox(Surface& surface, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 == x1 || y2 == y1) return;
  const uint32_t fill = MapColour(surface.Depth(), surface.fill_colour);
  const uint32_t outline = MapColour(surface.Depth(), surface.fore_colour);
  const int top = std::max(y1, 0), bottom = std::min(y2, surface.Height());
  for (int y = top; y < bottom; ++y) {
    if (y == y1 || y == y2 - 1) {
      FillSpan(surface, x1, x2, y, outline);
    } else {
      FillSpan(surface, x1, x2, y, fill);
      PutPixel(surface, x1, y, outline);
      PutPixel(surface, x2 - 1, y, outline);
    }
  }
}

void DrawLine(Surface& surface, int x1, int y1, int x2, int y2) {
  const uint32_t pixel = MapColour(surface.Depth(), surface.fore_colour);
  if (y1 == y2) {  // the common horizontal rule: one span
    FillSpan(surface, x1 <= x2 ? x1 : x2 + 1, x1 <= x2 ? x2 : x1 + 1, y1, pixel);
    return;
  }
  int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  int x = x1, y = y1;
  while (!(x == x2 && y == y2)) {
    PutPixel(surface, x, y, pixel);
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

bool DrawText(Surface& surface, GlyphSource& glyphs, int x, int y, const std::u32string& text) {
  if (text.empty()) return true;
  const GlyphMask& mask = glyphs.Render(text, surface.font);
  if (mask.width == 0) return false;
  const uint32_t pixel = MapColour(surface.Depth(), surface.fore_colour);
  for (int my = 0; my < mask.height; ++my) {
    const uint8_t* bits = mask.bits.data() + static_cast<size_t>(my) * mask.width;
    for (int mx = 0; mx < mask.width; ++mx) {
      if (bits[mx]) PutPixel(surface, x + mx, y + my, pixel);
    }
  }
  return true;
}

}  // namespace corv
