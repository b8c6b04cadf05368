#include "platform/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace corv {
namespace {

constexpr int kDepths[] = {16, 24, 32};

// Random raw pixels of the depth (a 32-bit pixel's fourth byte stays zero).
uint32_t RandomPixel(std::mt19937& rng, int depth) {
  const uint32_t v = rng();
  return depth == 16 ? (v & 0xFFFF) : (v & 0xFFFFFF);
}

// key_percent of the pixels (on average) are the key.
Surface RandomSurface(int w, int h, int depth, uint32_t key, std::mt19937& rng, unsigned key_percent = 25) {
  Surface s(w, h, depth);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      s.WritePixel(x, y, (rng() % 100 < key_percent) ? key : RandomPixel(rng, depth));
  }
  return s;
}

// The plain per-pixel copy: every destination pixel inside both rectangles and both surfaces takes the
// source pixel left/top of its scaled position, unless it equals the key. Self copies read a snapshot.
// Positions are worked out in 128 bits, so rectangles of any size are mapped exactly.
void ReferenceBlit(Surface& dst, const Rect& d, const Surface& src_in, const Rect& s, bool keyed) {
  const Surface src = src_in;
  using Wide = __int128;
  const Wide dw = Wide{d.right} - d.left, dh = Wide{d.bottom} - d.top;
  const Wide sw = Wide{s.right} - s.left, sh = Wide{s.bottom} - s.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  for (int ty = 0; ty < dst.Height(); ++ty) {
    for (int tx = 0; tx < dst.Width(); ++tx) {
      const Wide dx = Wide{tx} - d.left, dy = Wide{ty} - d.top;
      if (dx < 0 || dy < 0 || dx >= dw || dy >= dh) continue;
      const Wide sx = s.left + dx * sw / dw, sy = s.top + dy * sh / dh;
      if (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height()) continue;
      const uint32_t p = src.ReadPixel(static_cast<int>(sx), static_cast<int>(sy));
      if (keyed && src.colour_key && p == *src.colour_key) continue;
      dst.WritePixel(static_cast<int>(tx), static_cast<int>(ty), p);
    }
  }
}

// Each case is copied twice: with the colour key and without it.
struct BlitCase {
  const char* name;
  Rect dst;
  Rect src;
};

// Source 64 x 48, destination 80 x 60.
const BlitCase kBlitCases[] = {
    {"whole", {0, 0, 64, 48}, {0, 0, 64, 48}},
    {"offset part", {7, 5, 37, 25}, {3, 9, 33, 29}},
    {"doubled", {0, 0, 80, 60}, {10, 10, 50, 40}},
    {"doubled from odd column, clipped left", {-3, -5, 77, 55}, {1, 1, 41, 31}},
    {"doubled, clipped right and bottom", {50, 40, 130, 100}, {0, 0, 40, 30}},
    {"three halves", {1, 2, 61, 47}, {0, 0, 40, 30}},
    {"shrunk", {0, 0, 20, 15}, {0, 0, 64, 48}},
    {"source reaching past its surface", {0, 0, 40, 40}, {40, 30, 80, 70}},
    {"source starting before its surface", {10, 10, 50, 50}, {-8, -6, 32, 34}},
    {"destination off every edge", {-20, -20, 100, 80}, {0, 0, 64, 48}},
    {"stretched one row", {0, 0, 80, 60}, {5, 5, 45, 6}},
    // Rectangles from damaged files: positions whose products leave 64 bits.
    {"destination of every coordinate", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 64, 48}},
    {"source of every coordinate", {0, 0, 80, 60}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}},
    {"huge, source just past 31 bits",
     {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30},
     {-5, -7, INT32_MAX, INT32_MAX}},
    {"both of nearly every coordinate",
     {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
     {INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, INT32_MAX}},
    {"huge, doubled", {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30}, {-(1 << 29), -(1 << 29), 1 << 29, 1 << 29}},
};

// Every set of row loops this processor runs is held to the plain copy.
std::vector<Simd> RowLoopSets() {
  std::vector<Simd> sets;
  for (Simd simd : {Simd::kPortable, Simd::kSse2, Simd::kAvx2}) {
    if (SimdAvailable(simd)) sets.push_back(simd);
  }
  return sets;
}

const char* SetName(Simd simd) {
  return simd == Simd::kPortable ? "portable" : simd == Simd::kSse2 ? "SSE2" : "AVX2";
}

TEST(SurfaceBlit, MatchesThePlainPerPixelCopy) {
  for (Simd code : RowLoopSets()) {
    for (int depth : kDepths) {
      std::mt19937 rng(depth);
      const uint32_t key = MapColour(depth, 0xFF0000);
      for (unsigned key_percent : {25u, 95u}) {  // scattered keys, and long runs of the key
        for (const BlitCase& c : kBlitCases) {
          for (bool keyed : {false, true}) {
            Surface src = RandomSurface(64, 48, depth, key, rng, key_percent);
            src.colour_key = key;
            Surface dst = RandomSurface(80, 60, depth, key, rng);
            Surface expected = dst;
            ReferenceBlit(expected, c.dst, src, c.src, keyed);
            ASSERT_TRUE(Blit(dst, c.dst, src, c.src, keyed ? UseKey::kYes : UseKey::kNo, code));
            ASSERT_EQ(dst.SizeBytes(), expected.SizeBytes());
            EXPECT_EQ(0, std::memcmp(dst.Data(), expected.Data(), dst.SizeBytes()))
                << c.name << (keyed ? ", keyed" : ", plain") << ", depth " << depth << ", keys "
                << key_percent << "%, " << SetName(code);
          }
        }
      }
    }
  }
}

// Rows are copied in steps of up to 32 pixels, each step passed over when it holds only the key and
// stored as it is when it holds none. Every row here mixes runs of the key of every length with pixels
// that differ from it in one byte only, at every start column, so steps of all three kinds and every
// tail length meet the plain copy.
TEST(SurfaceBlit, KeyRunsOfEveryLengthAtEveryColumnMatchThePlainCopy) {
  struct Case {
    const char* name;
    int run_period;  // a run of run_length key pixels starts every run_period pixels
    int run_length;
  };
  const Case cases[] = {
      {"no key", 1, 0},
      {"all key", 1, 1},
      {"runs of 15 in 16", 16, 15},
      {"runs of 16 in 33", 33, 16},
      {"runs of 32 in 47", 47, 32},
      {"one key in 17", 17, 1},
  };
  const Rect sizes[] = {{0, 0, 131, 6}, {0, 0, 66, 6}};  // same size, and doubled onto 131 x 6 (clipped)
  for (Simd code : RowLoopSets()) {
    for (int depth : kDepths) {
      const uint32_t key = MapColour(depth, 0x00FF00);
      const uint32_t near_key = key ^ (depth == 16 ? 0x0800 : 0x010000);  // differs in the top byte only
      std::mt19937 rng(depth + 5);
      for (const Case& c : cases) {
        for (const Rect& source : sizes) {
          Surface src(source.right, source.bottom, depth);
          for (int y = 0; y < src.Height(); ++y) {
            for (int x = 0; x < src.Width(); ++x) {
              const int phase = (x + 5 * y) % c.run_period;
              src.WritePixel(x, y,
                             phase < c.run_length ? key : (x % 3 == 0 ? near_key : RandomPixel(rng, depth)));
            }
          }
          src.colour_key = key;
          for (int left = 0; left < 4; ++left) {
            Surface dst = RandomSurface(140, 14, depth, key, rng);
            Surface expected = dst;
            const int w = source.right == 131 ? 131 : 132;
            const Rect to{left * 2, 1, left * 2 + w, 1 + (source.right == 131 ? 6 : 12)};
            ReferenceBlit(expected, to, src, src.Bounds(), true);
            ASSERT_TRUE(Blit(dst, to, src, src.Bounds(), UseKey::kYes, code));
            EXPECT_EQ(0, std::memcmp(dst.Data(), expected.Data(), dst.SizeBytes()))
                << c.name << ", depth " << depth << ", width " << source.right << ", from column " << to.left
                << ", " << SetName(code);
          }
        }
      }
    }
  }
}

TEST(SurfaceBlit, CopiesWithinOneSurfaceAsThroughATemporary) {
  const BlitCase cases[] = {
      {"down", {0, 10, 64, 48}, {0, 0, 64, 38}},       {"up", {0, 0, 64, 38}, {0, 10, 64, 48}},
      {"right", {5, 0, 64, 48}, {0, 0, 59, 48}},       {"left", {0, 0, 59, 48}, {5, 0, 64, 48}},
      {"down right", {3, 4, 64, 48}, {0, 0, 61, 44}},  {"up left, doubled", {0, 0, 64, 48}, {20, 20, 52, 44}},
      {"onto itself", {0, 0, 64, 48}, {0, 0, 64, 48}},
  };
  for (int depth : kDepths) {
    std::mt19937 rng(depth + 1);
    const uint32_t key = MapColour(depth, 0xFF0000);
    for (const BlitCase& c : cases) {
      for (bool keyed : {false, true}) {
        Surface s = RandomSurface(64, 48, depth, key, rng);
        s.colour_key = key;
        Surface expected = s;
        ReferenceBlit(expected, c.dst, s, c.src, keyed);
        ASSERT_TRUE(Blit(s, c.dst, s, c.src, keyed ? UseKey::kYes : UseKey::kNo));
        EXPECT_EQ(0, std::memcmp(s.Data(), expected.Data(), s.SizeBytes()))
            << c.name << (keyed ? ", keyed" : ", plain") << ", depth " << depth;
      }
    }
  }
}

TEST(SurfaceBlit, KeyComparesRawValuesExactly) {
  // Values one step from the key in every channel must be copied; only the key itself is left out.
  struct Case {
    int depth;
    uint32_t key;
    uint32_t near[3];
  };
  const Case cases[] = {
      {16, 0x001F, {0x001E, 0x003F, 0x081F}},
      {24, 0x0000FF, {0x0000FE, 0x0001FF, 0x0100FF}},
      {32, 0x0000FF, {0x0000FE, 0x0001FF, 0x0100FF}},
  };
  for (const Case& c : cases) {
    Surface src(4, 1, c.depth), dst(4, 1, c.depth);
    src.WritePixel(0, 0, c.key);
    for (int i = 0; i < 3; ++i) src.WritePixel(i + 1, 0, c.near[i]);
    src.colour_key = c.key;
    const uint32_t under = c.depth == 16 ? 0x1234 : 0x123456;
    for (int x = 0; x < 4; ++x) dst.WritePixel(x, 0, under);
    ASSERT_TRUE(Blit(dst, dst.Bounds(), src, src.Bounds(), UseKey::kYes));
    EXPECT_EQ(dst.ReadPixel(0, 0), under) << "depth " << c.depth;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dst.ReadPixel(i + 1, 0), c.near[i]) << "depth " << c.depth;
    // Without the key every pixel is copied.
    ASSERT_TRUE(Blit(dst, dst.Bounds(), src, src.Bounds(), UseKey::kNo));
    EXPECT_EQ(dst.ReadPixel(0, 0), c.key) << "depth " << c.depth;
  }
}

TEST(SurfaceBlit, HalfSizePictureFillsTheScreenInTwoByTwoBlocks) {
  for (int depth : kDepths) {
    std::mt19937 rng(7);
    Surface src = RandomSurface(320, 240, depth, 0, rng);
    Surface dst(640, 480, depth);
    ASSERT_TRUE(Blit(dst, dst.Bounds(), src, src.Bounds(), UseKey::kNo));
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) wrong += dst.ReadPixel(x, y) != src.ReadPixel(x / 2, y / 2);
    }
    EXPECT_EQ(wrong, 0) << "depth " << depth;
  }
}

TEST(SurfaceBlit, RefusesEmptyRectanglesAndMixedFormats) {
  Surface a(8, 8, 16), b(8, 8, 32), c(8, 8, 16);
  EXPECT_FALSE(Blit(a, a.Bounds(), b, b.Bounds(), UseKey::kNo));
  EXPECT_FALSE(Blit(a, Rect{0, 0, 0, 8}, c, c.Bounds(), UseKey::kNo));
  EXPECT_FALSE(Blit(a, a.Bounds(), c, Rect{4, 4, 2, 8}, UseKey::kNo));
  // Extreme rectangles (as a damaged file could give) neither overflow nor write outside.
  c.WritePixel(0, 0, 0x1234);
  EXPECT_TRUE(Blit(a, Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, c, c.Bounds(), UseKey::kNo));
  EXPECT_TRUE(Blit(a, a.Bounds(), c, Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, UseKey::kNo));
}

// Which pixels of a 12 x 10 surface a drawing set, as rows of '#' and '.' down to the last row with one.
std::string Picture(const Surface& s, uint32_t ink) {
  std::string out;
  size_t drawn = 0;  // the length of `out` through the last row with ink
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out += s.ReadPixel(x, y) == ink ? '#' : '.';
    out += '\n';
    if (out.find('#', drawn) != std::string::npos) drawn = out.size();
  }
  out.resize(drawn);
  return out;
}

TEST(SurfaceDrawing, BoxesAndLinesLeaveOutRightAndBottomEdges) {
  struct Case {
    const char* name;
    int kind;  // 0 box, 1 line
    int x1, y1, x2, y2;
    const char* picture;
  };
  const Case cases[] = {
      {"box", 0, 2, 1, 7, 5, "............\n..#####.....\n..#...#.....\n..#...#.....\n..#####.....\n"},
      {"box given corner to corner backwards", 0, 7, 5, 2, 1,
       "............\n..#####.....\n..#...#.....\n..#...#.....\n..#####.....\n"},
      {"box over the edge", 0, 9, 8, 14, 12,
       "............\n............\n............\n............\n............\n............\n"
       "............\n............\n.........###\n.........#..\n"},
      {"box over the top left corner", 0, -3, -2, 4, 5,
       "...#........\n...#........\n...#........\n...#........\n####........\n"},
      {"empty box", 0, 3, 3, 3, 8, ""},
      {"line to the right", 1, 1, 2, 6, 2, "............\n............\n.#####......\n"},
      {"line to the left", 1, 6, 2, 1, 2, "............\n............\n..#####.....\n"},
      {"line down", 1, 4, 1, 4, 4, "............\n....#.......\n....#.......\n....#.......\n"},
      {"diagonal", 1, 0, 0, 4, 4, "#...........\n.#..........\n..#.........\n...#........\n"},
  };
  for (int depth : kDepths) {
    for (const Case& c : cases) {
      Surface s(12, 10, depth);
      s.fore_colour = 0x00FFFF;  // yellow outline
      s.fill_colour = 0x00FFFF;
      if (c.kind == 0) {
        s.fill_colour = 0x808080;
        DrawBox(s, c.x1, c.y1, c.x2, c.y2);
      } else {
        DrawLine(s, c.x1, c.y1, c.x2, c.y2);
      }
      EXPECT_EQ(Picture(s, MapColour(depth, 0x00FFFF)), c.picture) << c.name << ", depth " << depth;
      if (c.kind == 0 && std::string(c.name) == "box") {
        EXPECT_EQ(s.ReadPixel(3, 2), MapColour(depth, 0x808080)) << "interior takes the fill colour";
      }
    }
  }
}

TEST(SurfacePixels, ColoursMapToEachFormat) {
  struct Case {
    int depth;
    uint32_t bgr;
    uint32_t raw;
  };
  const Case cases[] = {
      {16, 0xFF0000, 0x001F},   {16, 0x0000FF, 0xF800},   {16, 0x00FF00, 0x07E0},   {16, 0x0C0804, 0x0041},
      {24, 0xFF0000, 0x0000FF}, {24, 0x0000FF, 0xFF0000}, {32, 0x123456, 0x563412},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapColour(c.depth, c.bgr), c.raw) << std::hex << c.bgr << " at " << std::dec << c.depth;
    Surface s(3, 2, c.depth);
    s.WritePixel(2, 1, c.raw);
    EXPECT_EQ(s.ReadPixel(2, 1), c.raw);
    EXPECT_EQ(s.ReadPixel(1, 1), 0u) << "neighbour untouched";
  }
  // The fourth byte of a 32-bit pixel is kept zero, whatever is written.
  Surface s(1, 1, 32);
  s.WritePixel(0, 0, 0xFF123456);
  EXPECT_EQ(s.ReadPixel(0, 0), 0x00123456u);
  EXPECT_EQ(s.Data()[3], 0);
  // 24-bit pixels are blue, green, red in memory.
  Surface t(1, 1, 24);
  t.WritePixel(0, 0, MapColour(24, 0x0000FF));  // red
  EXPECT_EQ(t.Data()[0], 0x00);
  EXPECT_EQ(t.Data()[2], 0xFF);
}

// Copies share their pixels until one is written to; whatever writes, the other keeps every byte.
TEST(SurfacePixels, CopiesShareUntilEitherIsWrittenTo) {
  struct Write {
    const char* name;
    void (*apply)(Surface&);
  };
  const Write writes[] = {
      {"WritePixel", [](Surface& s) { s.WritePixel(3, 2, 0x123456); }},
      {"Row", [](Surface& s) { s.Row(5)[7] ^= 0xFF; }},
      {"Data", [](Surface& s) { s.Data()[0] ^= 0xFF; }},
      {"box",
       [](Surface& s) {
         s.fill_colour = 0x00FF00;
         DrawBox(s, 1, 1, 4, 4);
       }},
      {"copy onto it",
       [](Surface& s) {
         Surface other(s.Width(), s.Height(), s.Depth());
         Blit(s, Rect{0, 0, 2, 2}, other, Rect{0, 0, 2, 2}, UseKey::kNo);
       }},
      {"copy within it",
       [](Surface& s) {
         Blit(s, Rect{0, 0, 4, 3}, s, Rect{4, 3, 8, 6}, UseKey::kNo);
       }},
  };
  std::mt19937 rng(5);
  for (int depth : kDepths) {
    for (const Write& w : writes) {
      for (bool write_the_copy : {true, false}) {
        for (bool by_copy_pixels : {true, false}) {
          const Surface original = RandomSurface(8, 6, depth, 0, rng, 0);
          const std::vector<uint8_t> before(original.Data(), original.Data() + original.SizeBytes());
          Surface a = original;
          Surface b(8, 6, depth);
          if (by_copy_pixels) {
            b.CopyPixels(a);
          } else {
            b = a;
          }
          ASSERT_TRUE(b.SharesPixelsWith(a));
          Surface& written = write_the_copy ? b : a;
          const Surface& kept = write_the_copy ? a : b;
          w.apply(written);
          const std::string what = std::string(w.name) + " at " + std::to_string(depth) +
                                   (write_the_copy ? ", copy written" : ", original written");
          EXPECT_FALSE(a.SharesPixelsWith(b)) << what;
          EXPECT_EQ(std::vector<uint8_t>(kept.Data(), kept.Data() + kept.SizeBytes()), before) << what;
          EXPECT_NE(std::vector<uint8_t>(written.Data(), written.Data() + written.SizeBytes()), before)
              << what;
        }
      }
    }
  }
}

// A surface copied onto and drawn on over and over reuses the buffer it gave up, but never one that a
// copy still holds, and CopyPixels between different sizes or formats changes nothing.
TEST(SurfacePixels, RedrawnSurfacesNeverWriteIntoAFrameSomeoneHolds) {
  std::mt19937 rng(9);
  const Surface base = RandomSurface(8, 6, 32, 0, rng, 0);
  Surface target(8, 6, 32);
  std::vector<Surface> held;
  for (uint32_t pass = 0; pass < 6; ++pass) {
    target.CopyPixels(base);
    target.WritePixel(static_cast<int>(pass), 0, 0xABCDEF);
    if (pass % 2 == 0) held.push_back(target);  // a frame kept by a display or a copy
  }
  for (size_t i = 0; i < held.size(); ++i) {
    const int marked = static_cast<int>(2 * i);
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(held[i].ReadPixel(x, 0), x == marked ? 0xABCDEFu : base.ReadPixel(x, 0)) << i << "," << x;
    }
  }
  for (int x = 0; x < 8; ++x) EXPECT_EQ(target.ReadPixel(x, 0), x == 5 ? 0xABCDEFu : base.ReadPixel(x, 0));

  for (const Surface& other : {Surface(8, 5, 32), Surface(7, 6, 32), Surface(8, 6, 16)}) {
    Surface s = base;
    s.WritePixel(0, 0, 1);
    s.CopyPixels(other);
    EXPECT_FALSE(s.SharesPixelsWith(other));
    EXPECT_EQ(s.ReadPixel(0, 0), 1u);
  }
}

// Surfaces copied onto one another, swapped, held and drawn on in any order hold exactly what whole
// copies would give, however few rows each of their own buffers took over; and where a surface tells
// which rows changed since a frame it came from, every other row is equal to that frame's.
TEST(SurfacePixels, RowCopiesGiveWhatWholeCopiesGiveInAnyOrder) {
  constexpr int kW = 6, kH = 9;
  for (int depth : kDepths) {
    std::mt19937 rng(depth);
    const int bpp = depth / 8;
    std::vector<Surface> s(4, Surface(kW, kH, depth));
    std::vector<std::vector<uint8_t>> expected(4, std::vector<uint8_t>(size_t{kW} * kH * bpp, 0));
    std::vector<std::pair<Surface, std::vector<uint8_t>>> held;  // frames a display still shows
    const auto bytes = [](const Surface& x) {
      return std::vector<uint8_t>(x.Data(), x.Data() + x.SizeBytes());
    };
    for (int step = 0; step < 4000; ++step) {
      const size_t i = rng() % 4, j = rng() % 4;
      switch (rng() % 5) {
        case 0:
          s[i].CopyPixels(s[j]);
          expected[i] = expected[j];
          break;
        case 1:
          s[i].SwapPixels(s[j]);
          std::swap(expected[i], expected[j]);
          break;
        case 2: {  // one pixel
          const int x = static_cast<int>(rng() % kW), y = static_cast<int>(rng() % kH);
          const uint32_t pixel = RandomPixel(rng, depth);
          s[i].WritePixel(x, y, pixel);
          for (int b = 0; b < bpp; ++b)
            expected[i][(size_t{kW} * y + x) * bpp + b] = (pixel >> (8 * b)) & 0xFF;
          break;
        }
        case 3: {  // a band of whole rows
          const int first = static_cast<int>(rng() % kH), end = first + 1 + static_cast<int>(rng() % 3);
          const int last = std::min(end, kH);
          const uint8_t fill = static_cast<uint8_t>(rng() & (depth == 32 ? 0 : 0xFF));
          std::memset(s[i].Rows(first, last), fill, size_t{kW} * bpp * (last - first));
          std::fill(expected[i].begin() + size_t{kW} * bpp * first,
                    expected[i].begin() + size_t{kW} * bpp * last, fill);
          break;
        }
        default:
          held.emplace_back(s[i], expected[i]);
          if (held.size() > 3) held.erase(held.begin());
          break;
      }
      for (size_t k = 0; k < s.size(); ++k) ASSERT_EQ(bytes(s[k]), expected[k]) << "step " << step;
      for (const auto& [frame, frame_bytes] : held) {
        ASSERT_EQ(bytes(frame), frame_bytes) << "step " << step;
        for (size_t k = 0; k < s.size(); ++k) {
          const std::optional<RowSpan> changed = s[k].ChangedRowsSince(frame);
          if (!changed) continue;
          for (int y = 0; y < kH; ++y) {
            if (y >= changed->first && y < changed->end) continue;
            const size_t row = size_t{kW} * bpp * y;
            ASSERT_TRUE(std::equal(expected[k].begin() + row, expected[k].begin() + row + size_t{kW} * bpp,
                                   frame_bytes.begin() + row))
                << "step " << step << ", row " << y << " changed outside " << changed->first << "-"
                << changed->end;
          }
        }
      }
    }
  }
}

// A frame drawn on after it was shown names the rows drawn, so only they are copied and uploaded.
TEST(SurfacePixels, WritesAfterSharingNameTheirRows) {
  Surface work(8, 20, 32);
  const Surface shown = work;
  EXPECT_EQ(work.ChangedRowsSince(shown), RowSpan{});
  work.WritePixel(1, 5, 7);
  DrawLine(work, 0, 9, 4, 9);
  EXPECT_EQ(work.ChangedRowsSince(shown), (RowSpan{5, 10}));
  EXPECT_EQ(shown.ChangedRowsSince(work), std::nullopt);  // the older frame does not lead to the newer
  EXPECT_EQ(work.ChangedRowsSince(Surface(8, 20, 32)), std::nullopt);
}

// Pixel memory starts on a cache line however it was made: new, or given to a surface that was sharing.
TEST(SurfacePixels, PixelMemoryStartsOnACacheLine) {
  const auto on_a_line = [](const Surface& s) { return reinterpret_cast<uintptr_t>(s.Data()) % 64 == 0; };
  for (const auto& [w, h, depth] :
       {std::tuple{640, 480, 32}, {640, 480, 24}, {640, 480, 16}, {1, 1, 16}, {3, 5, 24}}) {
    Surface fresh(w, h, depth);
    EXPECT_TRUE(on_a_line(fresh)) << w << "x" << h << "x" << depth;
    Surface copy = fresh;
    copy.WritePixel(0, 0, 1);  // now a buffer of its own
    EXPECT_FALSE(copy.SharesPixelsWith(fresh));
    EXPECT_TRUE(on_a_line(copy)) << w << "x" << h << "x" << depth << " after a write";
  }
  // A negative size is refused outright rather than given a block shorter than it claims.
  EXPECT_THROW(Surface(1, -1, 32), std::length_error);
  EXPECT_THROW(Surface(-640, 480, 16), std::length_error);
}

// A kept frame is drawn again only when its key or the pixels under it change, and what it hands on
// is exactly what drawing would have given.
TEST(SurfacePixels, KeptFrameDrawsOnlyWhenKeyOrPixelsUnderItChange) {
  std::mt19937 rng(13);
  Surface work = RandomSurface(16, 8, 16, 0, rng, 0);
  auto mark = [](Surface& s, int key) { s.WritePixel(key, key % 8, 0xF800); };
  auto drawn = [&](int key) {
    Surface s = work;
    mark(s, key);
    return std::vector<uint8_t>(s.Data(), s.Data() + s.SizeBytes());
  };
  KeptFrame kept;
  Surface back(16, 8, 16);
  int draws = 0;
  struct Pass {
    int key;
    bool change_work;
    bool expect_draw;
  };
  const Pass passes[] = {{3, false, true}, {3, false, false}, {3, false, false}, {4, false, true},
                         {3, false, true}, {3, true, true},   {3, false, false}, {-1, false, true}};
  for (size_t i = 0; i < std::size(passes); ++i) {
    const Pass& p = passes[i];
    if (p.change_work) work.WritePixel(0, 7, 0x07E0);
    back.CopyPixels(work);
    const int before = draws;
    kept.DrawOn(back, p.key, [&](Surface& s) {
      ++draws;
      if (p.key >= 0) mark(s, p.key);
    });
    EXPECT_EQ(draws - before, p.expect_draw ? 1 : 0) << "pass " << i;
    const std::vector<uint8_t> expected =
        p.key >= 0 ? drawn(p.key) : std::vector<uint8_t>(work.Data(), work.Data() + work.SizeBytes());
    EXPECT_EQ(std::vector<uint8_t>(back.Data(), back.Data() + back.SizeBytes()), expected) << "pass " << i;
  }
  kept.Forget();
  back.CopyPixels(work);
  kept.DrawOn(back, -1, [&](Surface&) { ++draws; });
  EXPECT_EQ(draws, 6) << "a forgotten frame is drawn afresh";
}

}  // namespace
}  // namespace corv
