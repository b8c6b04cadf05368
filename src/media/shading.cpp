// Colour packing and rectangle shading.
//
// Both rectangle routines reduce to one operation per channel, so the work is done on rows of channels:
// 8:8:8 rows are a stream of bytes whose rule repeats every 3 (24-bit) or 4 (32-bit) bytes, 5:6:5 rows a
// stream of 16-bit pixels. Each stream has a portable loop and, on x86, SSE2 and AVX2 loops; all of them
// compute the exact integer results. The 5:6:5 vector loops divide by 100 with a multiply-high that is exact
// on the whole range their sums can take (checked at compile time below); the 8:8:8 vector loops fold the
// division into their one multiply per byte (see ByteBlend).
#include "media/shading.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "media/shading_loops.h"

namespace corv {

int32_t PackColour(int depth, int32_t& red, int32_t& green, int32_t& blue) {
  // Shifted in unsigned arithmetic so that a stray out-of-range value wraps instead of overflowing.
  green = static_cast<int32_t>(static_cast<uint32_t>(green) << 8);
  red = static_cast<int32_t>(static_cast<uint32_t>(red) << 16);
  if (depth < 24) {
    blue = blue / 8;
    green = (green / 32) & 0x7E0;
    red = (red / 263) & static_cast<int32_t>(0xFFFFF800u);
  }
  return red | green | blue;
}

namespace shading {

// One table per instruction set, filled the first time it is asked for; kBest is the processor's widest.
const Loops& LoopsFor(Simd simd) {
  static const Loops portable = PortableLoops();
#if defined(__x86_64__) || defined(__i386__)
  static const Loops sse2 = Sse2Loops();
  static const Loops avx2 = Avx2Loops();
  return TableFor(simd, portable, sse2, avx2);
#else
  (void)simd;
  return portable;
#endif
}

}  // namespace shading

namespace {

using shading::ByteBlend;
using shading::ByteDarken;
using shading::kPeriod;
using shading::WordBlend;
using shading::WordDarken;

ByteBlend MakeByteBlend(int bytes_per_pixel, int32_t percent, const std::array<int32_t, 3>& colour) {
  struct Channel {
    uint16_t weight = 0, addend = 0, scale = 0, offset = 0;
  };
  std::array<Channel, 4> channels{};  // the unused byte of a 32-bit pixel keeps all 0
  const auto weight = static_cast<uint32_t>(100 - percent);
  for (size_t c = 0; c < 3; ++c) {
    const auto addend = static_cast<uint32_t>(colour[c] * percent);
    channels[c] = {static_cast<uint16_t>(weight), static_cast<uint16_t>(addend),
                   static_cast<uint16_t>(std::min<uint32_t>((weight * 65536 + 99) / 100, 65535)),
                   static_cast<uint16_t>(addend * 256 / 100 + 1)};
  }
  const auto bpp = static_cast<size_t>(bytes_per_pixel);
  ByteBlend rule;
  for (size_t i = 0; i < kPeriod; ++i) {
    const Channel& channel = channels[i % bpp];
    rule.weight[i] = channel.weight;
    rule.addend[i] = channel.addend;
    (i % 2 == 0 ? rule.even_scale : rule.odd_scale)[i / 2] = channel.scale;
    (i % 2 == 0 ? rule.even_offset : rule.odd_offset)[i / 2] = channel.offset;
  }
  return rule;
}

ByteDarken MakeByteDarken(int bytes_per_pixel, const std::array<int32_t, 3>& colour) {
  const auto bpp = static_cast<size_t>(bytes_per_pixel);
  ByteDarken rule;
  for (size_t i = 0, channel = 0; i < kPeriod; ++i, channel = channel + 1 == bpp ? 0 : channel + 1) {
    rule.amount[i] = channel == 3 ? 255 : static_cast<uint8_t>(colour[channel]);
  }
  return rule;
}

// ---- Rectangles ------------------------------------------------------------------------------------

// The part of the rectangle (x, y, w, h), both ends included, that lies on the surface.
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;  // all included
};

bool ClipArea(const Surface& surface, int32_t x, int32_t y, int32_t w, int32_t h, Area& area) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + w, surface.Width() - 1);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + h, surface.Height() - 1);
  if (left > right || top > bottom) return false;
  area =
      Area{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
  return true;
}

// Hands each row of the area to `run` as (first byte, byte count). Whole-width areas of a surface without
// row padding are one run.
template <typename Run>
void ForEachRun(Surface& surface, const Area& area, Run&& run) {
  const size_t bpp = static_cast<size_t>(surface.BytesPerPixel());
  const size_t row_bytes = static_cast<size_t>(area.right - area.left + 1) * bpp;
  if (area.left == 0 && area.right == surface.Width() - 1 &&
      static_cast<size_t>(surface.Pitch()) == row_bytes) {
    run(surface.Rows(area.top, area.bottom + 1), row_bytes * static_cast<size_t>(area.bottom - area.top + 1));
    return;
  }
  for (int y = area.top; y <= area.bottom; ++y) run(surface.Row(y) + area.left * bpp, row_bytes);
}

bool Usable(const Surface& surface, int depth, Simd simd) {
  if (surface.Empty() || !SimdAvailable(simd)) return false;
  const int bpp = surface.BytesPerPixel();
  return depth >= 24 ? (bpp == 3 || bpp == 4) : bpp == 2;
}

int32_t Clamp(int32_t v, int32_t low, int32_t high) {
  return std::min(std::max(v, low), high);
}

}  // namespace

bool DarkenRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                int32_t green, int32_t blue, Simd simd) {
  if (!Usable(surface, depth, simd)) return false;
  const shading::Loops& loops = shading::LoopsFor(simd);
  red = Clamp(red, 0, 255), green = Clamp(green, 0, 255), blue = Clamp(blue, 0, 255);
  PackColour(depth, red, green, blue);
  Area area;
  if (!ClipArea(surface, x, y, w, h, area)) return true;

  if (depth < 24) {
    const WordDarken rule{static_cast<uint16_t>(red), static_cast<uint16_t>(green),
                          static_cast<uint16_t>(blue)};
    ForEachRun(surface, area, [&](uint8_t* p, size_t n) { loops.darken_words(p, n, rule); });
    return true;
  }
  const ByteDarken rule = MakeByteDarken(surface.BytesPerPixel(), {blue, green >> 8, red >> 16});
  ForEachRun(surface, area, [&](uint8_t* p, size_t n) { loops.darken_bytes(p, n, rule); });
  return true;
}

bool BlendRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
               int32_t green, int32_t blue, int32_t percent, Simd simd) {
  if (!Usable(surface, depth, simd)) return false;
  const shading::Loops& loops = shading::LoopsFor(simd);
  red = Clamp(red, 0, 255), green = Clamp(green, 0, 255), blue = Clamp(blue, 0, 255);
  percent = Clamp(percent, 0, 100);
  PackColour(depth, red, green, blue);
  const auto weight = static_cast<uint16_t>(100 - percent);
  Area area;
  if (!ClipArea(surface, x, y, w, h, area)) return true;

  if (depth < 24) {
    const WordBlend rule{weight, static_cast<uint16_t>((red >> 11) * percent),
                         static_cast<uint16_t>((green >> 5) * percent),
                         static_cast<uint16_t>(blue * percent)};
    ForEachRun(surface, area, [&](uint8_t* p, size_t n) { loops.blend_words(p, n, rule); });
    return true;
  }
  const ByteBlend rule = MakeByteBlend(surface.BytesPerPixel(), percent, {blue, green >> 8, red >> 16});
  ForEachRun(surface, area, [&](uint8_t* p, size_t n) { loops.blend_bytes(p, n, rule); });
  return true;
}

}  // namespace corv
