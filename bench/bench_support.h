// What the benchmarks share: random frames, a frame-sized copy to measure against, and a display that
// copies every frame it is shown the way a window's texture upload does.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "fake_display.h"
#include "platform/surface.h"

namespace corv::bench {

// A surface of random bytes (a 32-bit pixel's fourth byte cleared, as the player keeps it).
inline Surface RandomSurface(int width, int height, int depth, unsigned seed = 7) {
  Surface s(width, height, depth);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) s.WritePixel(x, y, random());
  }
  return s;
}

// Every time point of a frame-sized copy: the floor any whole-frame pass is measured against.
inline void MemcpyFrame(benchmark::State& state, int depth) {
  const Surface from = RandomSurface(640, 480, depth);
  Surface to(640, 480, depth);
  for (auto _ : state) {
    std::memcpy(to.Data(), from.Data(), from.SizeBytes());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.SizeBytes()));
}

// Registers the benchmarks of an executable built with bench_main.cpp.
void Register();

// A fake display that keeps a copy of each presented frame, as the window's streaming texture receives it.
inline std::unique_ptr<test::FakeDisplay> MakeCopyingDisplay() {
  auto display = std::make_unique<test::FakeDisplay>();
  display->modes = {{640, 480, 32}};
  display->on_present = [texture = std::vector<uint8_t>()](const Surface& frame) mutable {
    texture.assign(frame.Data(), frame.Data() + frame.SizeBytes());
  };
  return display;
}

}  // namespace corv::bench
