// A shot of a frame to PNG bytes at every depth: the shipped conversion and encoder against the plain
// way (each pixel read and unpacked on its own, deflate at its default level).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>

#include "bench_support.h"
#include "platform/bitmap.h"
#include "platform/png.h"

namespace corv::bench {
namespace {

// A frame as the demo shows it: one of its pictures (a 640 x 480 drawing of flat areas and gradients)
// with a flat message window.
Surface SceneFrame(int depth) {
  Result<Surface> loaded = LoadBitmapFile(CORV_DEMO_DIR "/MACHI.BMP", depth);
  if (!loaded) return Surface();
  Surface s = std::move(loaded).value();
  for (int y = 340; y < 460; ++y) {
    for (int x = 50; x < 590; ++x) s.WritePixel(x, y, MapColour(depth, 0x402010));
  }
  return s;
}

void ShotShipped(benchmark::State& state, int depth) {
  const Surface frame = SceneFrame(depth);
  if (frame.Empty()) return state.SkipWithError("the demo's pictures were not built");
  for (auto _ : state) benchmark::DoNotOptimize(EncodePng(frame));
}

void ShotPlain(benchmark::State& state, int depth) {
  const Surface frame = SceneFrame(depth);
  if (frame.Empty()) return state.SkipWithError("the demo's pictures were not built");
  for (auto _ : state) {
    std::vector<uint8_t> raw;
    raw.reserve((640 * 3 + 1) * 480);
    for (int y = 0; y < 480; ++y) {
      raw.push_back(0);  // row filter "none"
      for (int x = 0; x < 640; ++x) {
        uint8_t r, g, b;
        UnmapPixel(depth, frame.ReadPixel(x, y), r, g, b);
        raw.insert(raw.end(), {r, g, b});
      }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), Z_DEFAULT_COMPRESSION);
    benchmark::DoNotOptimize(packed.data());
  }
}

}  // namespace

void Register() {
  for (int depth : {16, 24, 32}) {
    const std::string d = std::to_string(depth);
    benchmark::RegisterBenchmark(("shot/shipped/" + d).c_str(), ShotShipped, depth)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("shot/plain/" + d).c_str(), ShotPlain, depth)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace corv::bench
