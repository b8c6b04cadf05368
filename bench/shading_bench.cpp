// Rectangle shading on a full frame and on the message window, at every depth: the shipped routines on
// each instruction path, the plain per-pixel arithmetic, and a memcpy of the frame as the floor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "media/shading.h"
#include "shading_reference.h"

namespace corv {
namespace {

enum Variant { kBest, kAvx2, kSse2, kPortable, kReference };
constexpr Simd kSimd[] = {Simd::kBest, Simd::kAvx2, Simd::kSse2, Simd::kPortable, Simd::kBest};
const char* const kVariantNames[] = {"shipped", "avx2", "sse2", "portable", "reference"};

struct Area {
  int32_t x, y, w, h;
};
constexpr Area kFrame{0, 0, 640, 480};
constexpr Area kWindow{50, 340, 540, 120};

Surface RandomFrame(int depth) {
  Surface s(640, 480, depth);
  std::mt19937 random(7);
  for (size_t i = 0; i < s.SizeBytes(); ++i) s.Data()[i] = static_cast<uint8_t>(random());
  return s;
}

void Blend(benchmark::State& state, Area area) {
  const int depth = static_cast<int>(state.range(0));
  const auto variant = static_cast<Variant>(state.range(1));
  if (!SimdAvailable(kSimd[variant])) return state.SkipWithError("not available on this processor");
  state.SetLabel(kVariantNames[variant]);
  Surface s = RandomFrame(depth);
  for (auto _ : state) {
    if (variant == kReference) {
      reference::BlendRect(s, depth, area.x, area.y, area.w, area.h, 0, 0, 39, 70);
    } else {
      BlendRect(s, depth, area.x, area.y, area.w, area.h, 0, 0, 39, 70, kSimd[variant]);
    }
    benchmark::ClobberMemory();
  }
}

void Darken(benchmark::State& state, Area area) {
  const int depth = static_cast<int>(state.range(0));
  const auto variant = static_cast<Variant>(state.range(1));
  if (!SimdAvailable(kSimd[variant])) return state.SkipWithError("not available on this processor");
  state.SetLabel(kVariantNames[variant]);
  Surface s = RandomFrame(depth);
  for (auto _ : state) {
    if (variant == kReference) {
      reference::DarkenRect(s, depth, area.x, area.y, area.w, area.h, 64, 64, 64);
    } else {
      DarkenRect(s, depth, area.x, area.y, area.w, area.h, 64, 64, 64, kSimd[variant]);
    }
    benchmark::ClobberMemory();
  }
}

void BM_BlendFrame(benchmark::State& state) {
  Blend(state, kFrame);
}
void BM_DarkenFrame(benchmark::State& state) {
  Darken(state, kFrame);
}
void BM_BlendWindow(benchmark::State& state) {
  Blend(state, kWindow);
}

// Copying a whole frame between two surfaces: what a present costs, and the floor for a frame pass.
void BM_MemcpyFrame(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  Surface from = RandomFrame(depth), to(640, 480, depth);
  for (auto _ : state) {
    std::memcpy(to.Data(), from.Data(), from.SizeBytes());
    benchmark::ClobberMemory();
  }
}

// The fastest repetition is the one least disturbed by other work on the machine.
double Fastest(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

void Variants(benchmark::internal::Benchmark* b) {
  b->ArgNames({"depth", "variant"})->ComputeStatistics("min", Fastest);
  for (int depth : {16, 24, 32}) {
    for (int variant = kBest; variant <= kReference; ++variant) b->Args({depth, variant});
  }
}

BENCHMARK(BM_BlendFrame)->Apply(Variants)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DarkenFrame)->Apply(Variants)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendWindow)->Apply(Variants)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyFrame)
    ->ComputeStatistics("min", Fastest)
    ->ArgName("depth")
    ->Arg(16)
    ->Arg(24)
    ->Arg(32)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corv

BENCHMARK_MAIN();
