// Loading a 640 x 480 picture of 24 bits and one of 8 bits from memory into a 32-bit surface, beside
// what no loader built on SDL can do without: SDL's own reader and its conversion to the display's
// format.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bmp_writer.h"
#include "platform/bitmap.h"

namespace corv::bench {
namespace {

// A picture of many colours (24 bits) or of every palette entry (8 bits).
const std::string& Picture(int bits) {
  static const auto make = [](int b) {
    std::vector<test::Rgb> palette;
    for (int i = 0; b == 8 && i < 256; ++i) {
      palette.push_back(
          {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    }
    return test::MakeBmp(640, 480, b, palette, [b](int x, int y) {
      const uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729);
      return b == 8 ? v % 256 : v & 0xFFFFFF;
    });
  };
  static const std::string eight = make(8), twenty_four = make(24);
  return bits == 8 ? eight : twenty_four;
}

void Loader(benchmark::State& state, int bits) {
  const std::string& bytes = Picture(bits);
  for (auto _ : state) {
    Result<Surface> s = LoadBitmap(bytes, 32);
    if (!s) return state.SkipWithError(s.error().c_str());
    benchmark::DoNotOptimize(s->Data());
  }
}

void SdlReader(benchmark::State& state, int bits) {
  const std::string& bytes = Picture(bits);
  for (auto _ : state) {
    SDL_Surface* decoded =
        SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    if (!decoded) return state.SkipWithError(SDL_GetError());
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_XRGB8888, 0);
    SDL_FreeSurface(decoded);
    if (!converted) return state.SkipWithError(SDL_GetError());
    benchmark::DoNotOptimize(converted->pixels);
    SDL_FreeSurface(converted);
  }
}

BENCHMARK_CAPTURE(Loader, 24, 24)->Name("picture/loader/24")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SdlReader, 24, 24)->Name("picture/sdl_reader/24")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Loader, 8, 8)->Name("picture/loader/8")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SdlReader, 8, 8)->Name("picture/sdl_reader/8")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corv::bench

BENCHMARK_MAIN();
