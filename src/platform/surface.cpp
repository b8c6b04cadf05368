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
  pixels_ = std::make_shared<Bytes>(static_cast<size_t>(pitch_) * height_);
}

namespace {

constexpr uintptr_t kLine = 64;

uint8_t* FirstLine(uint8_t* block) {
  return block + (kLine - reinterpret_cast<uintptr_t>(block) % kLine) % kLine;
}

// The size of the block for `size` bytes of pixels. A size near the top of the range (a negative width or
// height turned unsigned) is refused as a vector would refuse it, instead of wrapping to a short block.
size_t BlockSize(size_t size) {
  if (size > std::numeric_limits<size_t>::max() / 2) throw std::length_error("surface too large");
  return size + kLine;
}

}  // namespace

Surface::Bytes::Bytes(size_t size)
    : block_(new uint8_t[BlockSize(size)]()), data_(FirstLine(block_.get())), size_(size) {}

Surface::Bytes::Bytes(const Bytes& other)
    : block_(new uint8_t[BlockSize(other.size_)]), data_(FirstLine(block_.get())), size_(other.size_) {
  std::memcpy(data_, other.data_, size_);
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
  uint8_t* p = Row(y) + x * bytes_per_pixel_;
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
  if (pixels_ == from.pixels_) return;
  if (pixels_.use_count() == 1) spare_.buffer = std::move(pixels_);
  pixels_ = from.pixels_;
}

void Surface::Unshare() {
  Buffer& spare = spare_.buffer;
  if (spare && spare.use_count() == 1 && spare->size() == pixels_->size()) {
    std::memcpy(spare->data(), pixels_->data(), pixels_->size());
    pixels_ = std::move(spare);
  } else {
    pixels_ = std::make_shared<Bytes>(*pixels_);
  }
}

}  // namespace corv
