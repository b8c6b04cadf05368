// Frame copies at every depth, each beside a memcpy of the frame: the colour-keyed full-frame copy (the
// page-text layer onto the page, and a picture with scattered key pixels), the doubled copy of a
// 320 x 240 picture onto the whole screen with and without its key, and the frame path of a present
// (work surface to back buffer, flip, and what the screen receives), and a message typed into the window
// character by character.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

#include "bench_support.h"
#include "core/player.h"
#include "media/transfers.h"
#include "platform/clock.h"
#include "platform/glyphs.h"
#include "script/message_text.h"

namespace corv::bench {
namespace {

constexpr int kDepths[] = {16, 24, 32};

// The page-text layer: the key everywhere but on lines of text, where about a third of the pixels
// are ink.
Surface PageLayer(int depth, uint32_t key) {
  Surface s(640, 480, depth);
  std::mt19937 random(11);
  for (int y = 0; y < 480; ++y) {
    const bool text_line = (y / 16) % 2 == 1 && y > 16 && y < 460;
    for (int x = 0; x < 640; ++x) {
      const bool ink = text_line && x >= 30 && x < 610 && random() % 3 == 0;
      s.WritePixel(x, y, ink ? MapColour(depth, random()) : key);
    }
  }
  s.colour_key = key;
  return s;
}

// A picture with key pixels scattered through it, half of them: the worst case for a copy that skips
// runs of the key.
Surface ScatteredKeys(int width, int height, int depth, uint32_t key) {
  Surface s = RandomSurface(width, height, depth, 13);
  std::mt19937 random(17);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (random() % 2 == 0) s.WritePixel(x, y, key);
    }
  }
  s.colour_key = key;
  return s;
}

void KeyedCopy(benchmark::State& state, int depth, bool page) {
  const uint32_t key = MapColour(depth, 0xFF00FF);
  const Surface layer = page ? PageLayer(depth, key) : ScatteredKeys(640, 480, depth, key);
  Surface frame = RandomSurface(640, 480, depth, 3);
  for (auto _ : state) {
    Blit(frame, frame.Bounds(), layer, layer.Bounds(), UseKey::kYes);
    benchmark::ClobberMemory();
  }
}

void DoubledCopy(benchmark::State& state, int depth, bool keyed) {
  const uint32_t key = MapColour(depth, 0xFF00FF);
  const Surface picture = keyed ? ScatteredKeys(320, 240, depth, key) : RandomSurface(320, 240, depth, 5);
  Surface frame = RandomSurface(640, 480, depth, 3);
  for (auto _ : state) {
    Blit(frame, frame.Bounds(), picture, picture.Bounds(), keyed ? UseKey::kYes : UseKey::kNo);
    benchmark::ClobberMemory();
  }
}

// PresentWork on a player whose display is headless (nothing leaves the program) or copies the frame
// like the window's texture upload. A pixel is drawn on the work surface before each present, so every
// frame is a new one: a frame passed on untouched costs nothing, and that is not what is measured.
void Present(benchmark::State& state, int depth, bool texture) {
  VirtualClock clock;
  std::unique_ptr<Display> display =
      texture ? std::unique_ptr<Display>(MakeCopyingDisplay()) : MakeHeadlessDisplay(clock, DisplayOptions{});
  auto player = std::make_unique<Player>();
  player->services.display = display.get();
  player->services.clock = &clock;
  player->screen.WorkSurface = RandomSurface(640, 480, depth, 9);
  player->screen.BackBuffer = Surface(640, 480, depth);
  player->screen.PrimarySurface = Surface(640, 480, depth);
  uint32_t n = 0;
  for (auto _ : state) {
    player->screen.WorkSurface.WritePixel(static_cast<int>(n % 640), static_cast<int>(n / 640 % 480), n);
    ++n;
    PresentWork(*player);
    benchmark::ClobberMemory();
  }
}

// A message of 100 characters typed into the message window of a headless player, as the message
// command does it: each character drawn on the work surface and the frame presented. The time is that of
// the whole message; the summary takes a hundredth of it for one character.
constexpr int kTypedCharacters = 100;

void Typing(benchmark::State& state, int depth) {
  VirtualClock clock;
  std::unique_ptr<Display> display = MakeHeadlessDisplay(clock, DisplayOptions{});
  std::unique_ptr<GlyphSource> glyphs = MakeTrueTypeGlyphSource(nullptr);
  if (!glyphs) glyphs = MakeBoxGlyphSource();
  auto player = std::make_unique<Player>();
  player->services.display = display.get();
  player->services.clock = &clock;
  player->services.glyphs = glyphs.get();
  player->script.TextWait = 0;
  Screen& screen = player->screen;
  screen.WorkSurface = RandomSurface(640, 480, depth, 9);
  screen.BackBuffer = Surface(640, 480, depth);
  screen.PrimarySurface = Surface(640, 480, depth);
  screen.MessageSaveSurface = Surface(640, 480, depth);
  CopyWorkToMessageSave(*player);
  PresentWork(*player);
  std::u32string text;
  for (int i = 0; i < kTypedCharacters; ++i) text += static_cast<char32_t>(0x3042 + i % 80);  // hiragana
  for (auto _ : state) {
    CopyMessageSaveToWork(*player);  // the empty window, as for each new message
    DrawWindowText(*player, text);
    benchmark::ClobberMemory();
  }
}

}  // namespace

void Register() {
  for (int depth : kDepths) {
    const std::string d = "/" + std::to_string(depth);
    benchmark::RegisterBenchmark(("memcpy_frame" + d).c_str(), MemcpyFrame, depth);
    benchmark::RegisterBenchmark(("keyed_copy/page_layer" + d).c_str(), KeyedCopy, depth, true);
    benchmark::RegisterBenchmark(("keyed_copy/scattered_keys" + d).c_str(), KeyedCopy, depth, false);
    benchmark::RegisterBenchmark(("doubled_copy/plain" + d).c_str(), DoubledCopy, depth, false);
    benchmark::RegisterBenchmark(("doubled_copy/keyed" + d).c_str(), DoubledCopy, depth, true);
    benchmark::RegisterBenchmark(("present_work/headless" + d).c_str(), Present, depth, false);
    benchmark::RegisterBenchmark(("present_work/texture_copy" + d).c_str(), Present, depth, true);
    benchmark::RegisterBenchmark(("typing/window_100_characters" + d).c_str(), Typing, depth);
  }
}

}  // namespace corv::bench
