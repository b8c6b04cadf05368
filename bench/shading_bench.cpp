// Rectangle shading on a full frame and on the message window, at every depth: the shipped routines on
// each instruction path, the plain per-pixel arithmetic, pixman compositing the nearest equivalent (a
// solid colour at the same opacity over the pixels; for darkening, black at 25 % over them), and a
// memcpy of the frame as the floor. "naive" is the per-pixel arithmetic on row pointers, left for the
// compiler to vectorise: the yardstick of the portable loops.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "bench_support.h"
#include "media/shading.h"
#include "shading_reference.h"

namespace corv::bench {
namespace {

enum Variant { kShipped, kAvx2, kSse2, kPortable, kReference, kNaive, kPixman };
constexpr Simd kSimd[] = {Simd::kBest, Simd::kAvx2, Simd::kSse2, Simd::kPortable,
                          Simd::kBest, Simd::kBest, Simd::kBest};
const char* const kVariantNames[] = {"shipped", "avx2", "sse2", "portable", "reference", "naive", "pixman"};

struct Area {
  const char* name;
  int32_t x, y, w, h;  // both ends included, as the shading routines take them
};
constexpr Area kAreas[] = {{"frame", 0, 0, 639, 479}, {"window", 50, 340, 540, 120}};

enum class Op { kBlend, kDarken };
constexpr int32_t kPercent = 70;
constexpr int32_t kDarkenBy = 64;

pixman_format_code_t PixmanFormat(int depth) {
  return depth == 16 ? PIXMAN_r5g6b5 : depth == 24 ? PIXMAN_r8g8b8 : PIXMAN_x8r8g8b8;
}

// pixman over the same pixels: OVER with a solid colour, premultiplied, at the blend's opacity.
void PixmanShade(pixman_image_t* dst, pixman_image_t* solid, const Area& a) {
  pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, dst, 0, 0, 0, 0, a.x, a.y, a.w + 1, a.h + 1);
}

// A pixel of B bytes, loaded and stored as a little-endian value.
template <int B>
uint32_t LoadPixel(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, B);
  return v;
}
template <int B>
void StorePixel(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, B);
}

// The per-pixel arithmetic over the clipped rows (the areas here lie on the frame), no calls per pixel.
template <int B>
void NaiveShade(Surface& s, int depth, Op op, const Area& a, int32_t red, int32_t green, int32_t blue) {
  const int32_t percent = op == Op::kBlend ? kPercent : 0, q = 100 - percent;
  reference::PackColour(depth, red, green, blue);
  const reference::Masks m = reference::MasksFor(depth);
  for (int y = a.y; y <= a.y + a.h; ++y) {
    uint8_t* row = s.Row(y) + a.x * B;
    for (int x = 0; x <= a.w; ++x) {
      const auto p = static_cast<int32_t>(LoadPixel<B>(row + x * B));
      int32_t r, g, b;
      if (op == Op::kBlend) {
        r = (((p & m.red) * q) + (red * percent)) / 100 & m.red;
        g = (((p & m.green) * q) + (green * percent)) / 100 & m.green;
        b = (((p & m.blue) * q) + (blue * percent)) / 100;
      } else {
        r = std::max((p & m.red) - red, 0);
        g = std::max((p & m.green) - green, 0);
        b = std::max((p & m.blue) - blue, 0);
      }
      StorePixel<B>(row + x * B, static_cast<uint32_t>(r | g | b));
    }
  }
}

void Shade(benchmark::State& state, Op op, Area area, int depth, Variant variant) {
  if (!SimdAvailable(kSimd[variant])) return state.SkipWithError("not available on this processor");
  Surface s = RandomSurface(640, 480, depth);
  pixman_image_t* image = pixman_image_create_bits(PixmanFormat(depth), s.Width(), s.Height(),
                                                   reinterpret_cast<uint32_t*>(s.Data()), s.Pitch());
  // Blend: colour (0, 0, 39) at 70 %; darken: black at 25 %. Channels premultiplied by alpha.
  const uint16_t alpha = op == Op::kBlend ? 0xFFFF * kPercent / 100 : 0x4000;
  const pixman_color_t colour{0, 0, static_cast<uint16_t>(op == Op::kBlend ? 39 * 257 * kPercent / 100 : 0),
                              alpha};
  pixman_image_t* solid = pixman_image_create_solid_fill(&colour);
  for (auto _ : state) {
    switch (variant) {
      case kReference:
        if (op == Op::kBlend) {
          reference::BlendRect(s, depth, area.x, area.y, area.w, area.h, 0, 0, 39, kPercent);
        } else {
          reference::DarkenRect(s, depth, area.x, area.y, area.w, area.h, kDarkenBy, kDarkenBy, kDarkenBy);
        }
        break;
      case kNaive: {
        const int32_t r = op == Op::kBlend ? 0 : kDarkenBy, g = r, b = op == Op::kBlend ? 39 : kDarkenBy;
        if (depth == 16) NaiveShade<2>(s, depth, op, area, r, g, b);
        if (depth == 24) NaiveShade<3>(s, depth, op, area, r, g, b);
        if (depth == 32) NaiveShade<4>(s, depth, op, area, r, g, b);
        break;
      }
      case kPixman:
        PixmanShade(image, solid, area);
        break;
      default:
        if (op == Op::kBlend) {
          BlendRect(s, depth, area.x, area.y, area.w, area.h, 0, 0, 39, kPercent, kSimd[variant]);
        } else {
          DarkenRect(s, depth, area.x, area.y, area.w, area.h, kDarkenBy, kDarkenBy, kDarkenBy,
                     kSimd[variant]);
        }
    }
    benchmark::ClobberMemory();
  }
  pixman_image_unref(solid);
  pixman_image_unref(image);
}

}  // namespace

void Register() {
  for (int depth : {16, 24, 32}) {
    const std::string d = std::to_string(depth);
    benchmark::RegisterBenchmark(("memcpy_frame/" + d).c_str(), MemcpyFrame, depth)
        ->Unit(benchmark::kMicrosecond);
    for (const Area& area : kAreas) {
      for (int v = kShipped; v <= kPixman; ++v) {
        const std::string tail = std::string("/") + area.name + "/" + d + "/" + kVariantNames[v];
        benchmark::RegisterBenchmark(("blend" + tail).c_str(), Shade, Op::kBlend, area, depth, Variant(v))
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("darken" + tail).c_str(), Shade, Op::kDarken, area, depth, Variant(v))
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
}

}  // namespace corv::bench
