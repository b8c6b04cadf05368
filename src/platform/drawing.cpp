// Boxes, lines and text drawn in a surface's drawing state.
#include <algorithm>
#include <cstdlib>
#include <cstring>
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
  uint8_t* row = s.Span(y, x1, x2);
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

// Columns [x1, x2) of row `from` copied onto row y (both inside the surface).
void CopySpan(Surface& s, int x1, int x2, int from, int y) {
  x1 = std::max(x1, 0);
  x2 = std::min(x2, s.Width());
  if (x1 >= x2) return;
  const size_t left = static_cast<size_t>(x1) * s.BytesPerPixel();
  uint8_t* row = s.Span(y, x1, x2);  // first, as it may give the surface pixels of its own
  std::memcpy(row + left, std::as_const(s).Row(from) + left,
              static_cast<size_t>(x2 - x1) * s.BytesPerPixel());
}

}  // namespace

void DrawBox(Surface& surface, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 == x1 || y2 == y1) return;
  const uint32_t fill = MapColour(surface.Depth(), surface.fill_colour);
  const uint32_t outline = MapColour(surface.Depth(), surface.fore_colour);
  const int top = std::max(y1, 0), bottom = std::min(y2, surface.Height());
  int interior = -1;  // the first interior row drawn: every other one is a copy of it
  for (int y = top; y < bottom; ++y) {
    if (y == y1 || y == y2 - 1) {
      FillSpan(surface, x1, x2, y, outline);
    } else if (interior >= 0) {
      CopySpan(surface, x1, x2, interior, y);
    } else {
      FillSpan(surface, x1, x2, y, fill);
      PutPixel(surface, x1, y, outline);
      PutPixel(surface, x2 - 1, y, outline);
      interior = y;
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

namespace {

// The set bits of one mask row, columns [left, right), in the pixel value, onto a row whose column 0 is at
// x0 of the mask. Every pixel of the span is read and written back, chosen without a branch: a glyph's
// bits follow no pattern a branch predictor could learn. Pixels without ink keep every byte they had.
template <int B>
void PlotRow(uint8_t* row, const uint8_t* bits, int left, int right, int64_t x0, uint32_t pixel) {
  for (int mx = left; mx < right; ++mx) {
    uint8_t* p = row + static_cast<size_t>(x0 + mx) * B;
    const uint32_t ink = 0u - static_cast<uint32_t>(bits[mx] != 0);
    if constexpr (B == 4) {
      uint32_t old;
      std::memcpy(&old, p, 4);
      const uint32_t v = (old & ~ink) | (pixel & 0x00FFFFFF & ink);
      std::memcpy(p, &v, 4);
    } else {
      Store<B>(p, (Load<B>(p) & ~ink) | (pixel & ink));
    }
  }
}

}  // namespace

bool DrawText(Surface& surface, GlyphSource& glyphs, int x, int y, const std::u32string& text) {
  if (text.empty()) return true;
  const GlyphMask& mask = glyphs.Render(text, surface.font);
  if (mask.width == 0) return false;
  const uint32_t pixel = MapColour(surface.Depth(), surface.fore_colour);
  // The part of the mask that lies on the surface; a row without ink is not touched, so a blank glyph
  // leaves a shared frame shared.
  const int top = static_cast<int>(std::clamp<int64_t>(-int64_t{y}, 0, mask.height));
  const int bottom = static_cast<int>(std::clamp<int64_t>(int64_t{surface.Height()} - y, 0, mask.height));
  const int left = static_cast<int>(std::clamp<int64_t>(-int64_t{x}, 0, mask.width));
  const int right = static_cast<int>(std::clamp<int64_t>(int64_t{surface.Width()} - x, 0, mask.width));
  if (left >= right) return true;
  for (int my = top; my < bottom; ++my) {
    const uint8_t* bits = mask.bits.data() + static_cast<size_t>(my) * mask.width;
    if (std::none_of(bits + left, bits + right, [](uint8_t b) { return b != 0; })) continue;
    uint8_t* row = surface.Span(y + my, x + left, x + right);
    switch (surface.BytesPerPixel()) {
      case 2:
        PlotRow<2>(row, bits, left, right, x, pixel);
        break;
      case 3:
        PlotRow<3>(row, bits, left, right, x, pixel);
        break;
      default:
        PlotRow<4>(row, bits, left, right, x, pixel);
        break;
    }
  }
  return true;
}

}  // namespace corv
