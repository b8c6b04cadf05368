// Rectangle shading on a full frame and on the message window, at every depth: the shipped routines on
// each instruction path, the plain per-pixel arithmetic, pixman compositing the nearest equivalent (a
// solid colour at the same opacity over the pixels; for darkening, black at 25 % over them), and a
// memcpy of the frame as the floor.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <string>

#include "bench_support.h"
#include "media/shading.h"
#include "shading_reference.h"

namespace corv::bench {
namespace {

enum Variant { kShipped, kAvx2, kSse2, kPortable, kReference, kPixman };
constexpr Simd kSimd[] = {Simd::kBest, Simd::kAvx2, Simd::kSse2, Simd::kPortable, Simd::kBest, Simd::kBest};
const char* const kVariantNames[] = {"shipped", "avx2", "sse2", "portable", "reference", "pixman"};

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

}  // namespace
}  // namespace corv::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  corv::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
