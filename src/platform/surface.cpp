#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/pixel_access.h"

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
  pool_ = std::make_shared<PixelPool>();
  pixels_ = pool_->Fresh(static_cast<size_t>(pitch_) * height_);
}

uint32_t Surface::ReadPixel(int x, int y) const {
  const uint8_t* p = Row(y) + x * bytes_per_pixel_;
  switch (bytes_per_pixel_) {
    case 2:
      return Load<2>(p);
    case 3:
      return Load<3>(p);
    default:
      return Load<4>(p);
  }
}

void Surface::WritePixel(int x, int y, uint32_t pixel) {
  uint8_t* p = Span(y, x, x + 1) + x * bytes_per_pixel_;
  switch (bytes_per_pixel_) {
    case 2:
      return Store<2>(p, pixel);
    case 3:
      return Store<3>(p, pixel);
    default:
      return Store<4>(p, pixel);
  }
}

void Surface::SwapPixels(Surface& other) {
  pixels_.swap(other.pixels_);
}

void Surface::CopyPixels(const Surface& from) {
  if (from.width_ != width_ || from.height_ != height_ || from.depth_ != depth_) return;
  pixels_ = from.pixels_;  // the buffer given up goes back to the pool it came from
}

void Surface::Unshare() {
  if (!pool_) pool_ = std::make_shared<PixelPool>();
  pixels_ = pool_->CopyOf(*pixels_, static_cast<size_t>(pitch_));
}

std::optional<RowSpan> Surface::ChangedRowsSince(const Surface& older) const {
  if (!pixels_ || !older.pixels_ || older.width_ != width_ || older.height_ != height_ ||
      older.depth_ != depth_)
    return std::nullopt;
  return pixels_->ChangedSince(*older.pixels_);
}

}  // namespace corv
