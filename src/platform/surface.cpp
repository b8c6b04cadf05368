#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/glyphs.h"

namespace corv {

uint32_t MapColour(int depth, uint32_t bgr) {
  const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  if (depth == 16) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  return (r << 16) | (g << 8) | b;
}

void UnmapPixel(int depth, uint32_t pixel, uint8_t& red, uint8_t& green, uint8_t& blue) {
  if (depth == 16) {
    const uint32_t r = (pixel >> 11) & 0x1F, g = (pixel >> 5) & 0x3F, b = pixel & 0x1F;
    red = static_cast<uint8_t>((r << 3) | (r >> 2));
    green = static_cast<uint8_t>((g << 2) | (g >> 4));
    blue = static_cast<uint8_t>((b << 3) | (b >> 2));
  } else {
    red = static_cast<uint8_t>(pixel >> 16);
    green = static_cast<uint8_t>(pixel >> 8);
    blue = static_cast<uint8_t>(pixel);
  }
}

Surface::Surface(int width, int height, int depth)
    : width_(width),
      height_(height),
      depth_(depth),
      bytes_per_pixel_(depth / 8),
      pitch_(width * (depth / 8)) {
  pixels_.assign(static_cast<size_t>(pitch_) * height_, 0);
}

uint32_t Surface::ReadPixel(int x, int y) const {
  const uint8_t* p = Row(y) + x * bytes_per_pixel_;
  switch (bytes_per_pixel_) {
    case 2:
      return static_cast<uint32_t>(p[0] | (p[1] << 8));
    case 3:
      return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    default:
      return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<uint32_t>(p[3]) << 24);
  }
}

void Surface::WritePixel(int x, int y, uint32_t pixel) {
  uint8_t* p = Row(y) + x * bytes_per_pixel_;
  p[0] = static_cast<uint8_t>(pixel);
  p[1] = static_cast<uint8_t>(pixel >> 8);
  if (bytes_per_pixel_ >= 3) p[2] = static_cast<uint8_t>(pixel >> 16);
  if (bytes_per_pixel_ == 4) p[3] = 0;
}

void Surface::SwapPixels(Surface& other) {
  pixels_.swap(other.pixels_);
}

bool Blit(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect, UseKey key) {
  if (dst.Depth() != src.Depth() || src.Empty() || dst.Empty()) return false;
  if (dst_rect.Width() <= 0 || dst_rect.Height() <= 0 || src_rect.Width() <= 0 || src_rect.Height() <= 0) {
    return false;
  }
  // Copy through a temporary when source and destination are the same surface.
  Surface copy;
  const Surface* from = &src;
  if (&src == &dst) {
    copy = src;
    from = &copy;
  }
  const bool keyed = key == UseKey::kYes && src.colour_key.has_value();
  const uint32_t key_value = keyed ? *src.colour_key : 0;
  const int64_t dw = dst_rect.Width(), dh = dst_rect.Height();
  const int64_t sw = src_rect.Width(), sh = src_rect.Height();
  for (int64_t dy = 0; dy < dh; ++dy) {
    const int64_t ty = dst_rect.top + dy;
    if (ty < 0 || ty >= dst.Height()) continue;
    const int64_t sy = src_rect.top + dy * sh / dh;
    if (sy < 0 || sy >= from->Height()) continue;
    for (int64_t dx = 0; dx < dw; ++dx) {
      const int64_t tx = dst_rect.left + dx;
      if (tx < 0 || tx >= dst.Width()) continue;
      const int64_t sx = src_rect.left + dx * sw / dw;
      if (sx < 0 || sx >= from->Width()) continue;
      const uint32_t p = from->ReadPixel(static_cast<int>(sx), static_cast<int>(sy));
      if (keyed && p == key_value) continue;
      dst.WritePixel(static_cast<int>(tx), static_cast<int>(ty), p);
    }
  }
  return true;
}

namespace {
void FillSpan(Surface& s, int x1, int x2, int y, uint32_t pixel) {
  if (y < 0 || y >= s.Height()) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, s.Width());
  for (int x = x1; x < x2; ++x) s.WritePixel(x, y, pixel);
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
  for (int y = y1; y < y2; ++y) {
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
    for (int mx = 0; mx < mask.width; ++mx) {
      if (mask.bits[static_cast<size_t>(my) * mask.width + mx]) PutPixel(surface, x + mx, y + my, pixel);
    }
  }
  return true;
}

}  // namespace corv
