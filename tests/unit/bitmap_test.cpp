#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "media_test_support.h"

namespace corv {
namespace {

using test::MakeBmp;
using test::Rgb;

// The raw pixel a colour must become at each depth: 8:8:8 as is, 5:6:5 by dropping the low bits.
uint32_t Raw(int depth, Rgb c) {
  if (depth == 16) return (static_cast<uint32_t>(c.red >> 3) << 11) | ((c.green >> 2) << 5) | (c.blue >> 3);
  return (static_cast<uint32_t>(c.red) << 16) | (c.green << 8) | c.blue;
}

Rgb FromValue(uint32_t v) {
  return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

std::vector<Rgb> Palette(int n) {
  std::vector<Rgb> palette;
  for (int i = 0; i < n; ++i) {
    palette.push_back(
        Rgb{static_cast<uint8_t>(i * 37 + 8), static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i)});
  }
  return palette;
}

// Colours every format can hold exactly (5-bit channels at 0 or 255 widen back to the same value).
const uint32_t kPlainColours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                  0x000000, 0xFF00FF, 0x00FFFF, 0xFFFF00};
const uint32_t kRichColours[] = {0x123456, 0xFEDCBA, 0x808080, 0x010203,
                                 0xFF00FF, 0x7F7F80, 0x00FF01, 0xA5A5A5};

// Each source format, decoded into each depth: every pixel where the file put it, in the depth's format.
TEST(LoadBitmap, EveryFormatIntoEveryDepth) {
  struct Format {
    int bits;
    int palette_size;
    bool top_down;
  };
  const Format formats[] = {{1, 2, false},  {4, 16, false}, {8, 256, false}, {16, 0, false},
                            {24, 0, false}, {32, 0, false}, {24, 0, true},   {8, 256, true}};
  const int width = 5, height = 3;  // odd width: rows carry padding
  for (const Format& f : formats) {
    const std::vector<Rgb> palette = Palette(f.palette_size);
    const uint32_t* colours = f.bits == 16 ? kPlainColours : kRichColours;
    auto value = [&](int x, int y) -> uint32_t {
      const int i = x + 3 * y;
      return f.palette_size ? static_cast<uint32_t>(i % f.palette_size) : colours[i % 8];
    };
    auto expected = [&](int x, int y) {
      return f.palette_size ? palette[value(x, y)] : FromValue(value(x, y));
    };
    const std::string bytes = MakeBmp(width, height, f.bits, palette, value, f.top_down);
    for (int depth : {16, 24, 32}) {
      const Result<Surface> loaded = LoadBitmap(bytes, depth);
      ASSERT_TRUE(loaded.ok()) << f.bits << "-bit file: " << loaded.error();
      const Surface& s = *loaded;
      ASSERT_EQ(s.Width(), width);
      ASSERT_EQ(s.Height(), height);
      ASSERT_EQ(s.Depth(), depth);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          EXPECT_EQ(s.ReadPixel(x, y), Raw(depth, expected(x, y)))
              << f.bits << "-bit file" << (f.top_down ? " (top-down)" : "") << " into " << depth << " at ("
              << x << ", " << y << ")";
        }
      }
    }
  }
}

// Run-length codes for a 4 x 3 picture of 8 bits: two pixels of entry 1 in the bottom row, a delta of one
// right and one up (to x 3 of the middle row), one pixel of entry 2, end of line, an absolute run of
// entries 3, 4, 5 (padded to a whole word) at the top, end of bitmap.
const std::string kRle8Codes("\x02\x01\x00\x02\x01\x01\x01\x02\x00\x00\x00\x03\x03\x04\x05\x00\x00\x01", 18);

// Header versions, run-length codes and colour masks that SDL's reader alone does not show, each picture
// worked out by hand. Pixels that a delta or an end of line skips take palette entry 0, as SDL and
// ImageMagick show them. A colour field of n < 8 bits widens by repeating its bits (2-bit 10 is 10101010,
// 0xAA; 3-bit 101 is 10110110, 0xB6; 7-bit 1010101 is 10101011, 0xAB); a wider one keeps its top 8 bits.
TEST(LoadBitmap, HeaderVersionsRunLengthsAndMasks) {
  using test::AssembleBmp;
  using test::BitFieldsBmp;
  const std::vector<Rgb> palette = Palette(16);
  const auto p = [&](int i) { return Raw(32, palette[static_cast<size_t>(i)]); };
  struct Case {
    const char* what;
    std::string bytes;
    int width;
    std::vector<uint32_t> expected;  // 0xRRGGBB, row by row from the top
  };
  const Case cases[] = {
      {"OS/2 2.x header of 16 bytes, 4 bits",
       AssembleBmp({16, 3, 2, 4, 0, {}, palette, std::string("\x78\x90\0\0\x12\x30\0\0", 8)}),
       3,
       {p(1), p(2), p(3), p(7), p(8), p(9)}},
      {"OS/2 2.x header of 64 bytes, 8 bits",
       AssembleBmp({64, 2, 2, 8, 0, {}, palette, std::string("\x04\x05\0\0\x0F\x0E\0\0", 8)}),
       2,
       {p(15), p(14), p(4), p(5)}},
      {"core header, 8 bits, three-byte palette",
       AssembleBmp(
           {12, 3, 2, 8, 0, {}, {palette[0], palette[1]}, std::string("\0\x01\x01\0\x01\0\x01\0", 8)}),
       3,
       {p(1), p(0), p(1), p(0), p(1), p(1)}},
      {"RLE8 with a delta and an end of line",
       AssembleBmp({40, 4, 3, 8, 1, {}, palette, kRle8Codes}),
       4,
       {p(3), p(4), p(5), p(0), p(0), p(0), p(0), p(2), p(1), p(1), p(0), p(0)}},
      // Bottom row: five pixels alternating entries 1 and 2; end of line; a delta of two right; an absolute
      // run of three (entries 3, 4, 5 in two bytes); end of bitmap.
      {"RLE4 with a delta and an end of line",
       AssembleBmp(
           {40, 5, 2, 4, 2, {}, palette, std::string("\x05\x12\0\0\0\x02\x02\0\0\x03\x34\x50\0\x01", 14)}),
       5,
       {p(0), p(0), p(3), p(4), p(5), p(1), p(2), p(1), p(2), p(1)}},
      {"32 bits, red in the top byte, green in the low byte (v5 header)",
       BitFieldsBmp(124, 2, 1, 32, 3, {0xFF000000, 0x000000FF, 0x0000FF00, 0},
                    [](int x, int) { return x ? 0xFE000001u : 0x11003322u; }),
       2,
       {0x112233, 0xFE0100}},
      {"16 bits, 2-3-1",
       BitFieldsBmp(40, 2, 2, 16, 3, {0x30, 0x0E, 0x01},
                    [](int x, int y) { return y   ? 0x01u
                                              : x ? 0x16u
                                                  : 0x2Bu; }),
       2,
       {0xAAB6FF, 0x556D00, 0x0000FF, 0x0000FF}},
      {"32 bits, 10-11-11, stored top-down",
       BitFieldsBmp(40, 1, -2, 32, 3, {0xFFC00000, 0x003FF800, 0x000007FF},
                    [](int, int y) { return y ? 0x003FF800u : 0xAAFFF923u; }),
       1,
       {0xAAFF24, 0x00FF00}},
      {"alpha bit fields, 7-1-8-7 (v1 header)",
       BitFieldsBmp(40, 2, 1, 32, 6, {0xFE000000, 0x01000000, 0x00FF0000, 0x0000FE00},
                    [](int x, int) { return x ? 0x02FF0000u : 0xAB3CFE00u; }),
       2,
       {0xABFF3C, 0x0200FF}},
      {"16 bits, blue in the top five (v4 header)",
       BitFieldsBmp(108, 2, 1, 16, 3, {0x001F, 0x07E0, 0xF800, 0},
                    [](int x, int) { return x ? 0x07E0u : 0x081Fu; }),
       2,
       {0xFF0008, 0x00FF00}},
  };
  for (const Case& c : cases) {
    const Result<Surface> loaded = LoadBitmap(c.bytes, 32);
    ASSERT_TRUE(loaded.ok()) << c.what << ": " << loaded.error();
    const Surface& s = *loaded;
    const int height = static_cast<int>(c.expected.size()) / c.width;
    ASSERT_EQ(s.Width(), c.width) << c.what;
    ASSERT_EQ(s.Height(), height) << c.what;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        EXPECT_EQ(s.ReadPixel(x, y), c.expected[static_cast<size_t>(y * c.width + x)])
            << c.what << " at (" << x << ", " << y << ")";
      }
    }
  }
}

// A 32-bit file may carry anything in its fourth byte; the loaded pixels keep it at zero, whatever the
// file's depth.
TEST(LoadBitmap, FourthByteIsZeroAt32Bits) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    const std::vector<Rgb> palette =
        bits <= 8 ? std::vector<Rgb>(2, FromValue(0xFF00FF)) : std::vector<Rgb>{};
    std::string bytes = MakeBmp(2, 2, bits, palette, [bits](int, int) { return bits <= 8 ? 1u : 0xFF00FFu; });
    for (size_t at = 54 + 3; bits == 32 && at < bytes.size(); at += 4) bytes[at] = static_cast<char>(0x80);
    const Result<Surface> loaded = LoadBitmap(bytes, 32);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    const Surface& s = *loaded;
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 2; ++x)
        EXPECT_EQ(s.ReadPixel(x, y), 0xFF00FFu) << bits << " bits at " << x << "," << y;
    }
  }
}

// Damaged or absurd files are refused, with a reason, before any pixels are made.
TEST(LoadBitmap, RefusesBadFiles) {
  const std::string good = MakeBmp(4, 4, 24, {}, [](int, int) { return 0x102030u; });
  auto with = [&](size_t at, uint32_t v, bool wide = true) {
    std::string b = good;
    wide ? test::PutU32(b, at, v) : test::PutU16(b, at, v);
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"magic only", "BM"},
      {"wrong magic", "XM" + good.substr(2)},
      {"header cut short", good.substr(0, 30)},
      {"unknown header size", with(14, 8)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, static_cast<uint32_t>(-4))},
      {"zero height", with(22, 0)},
      {"width beyond the limit", with(18, kMaxBitmapSide + 1)},
      {"height beyond the limit (top-down)", with(22, static_cast<uint32_t>(-(kMaxBitmapSide + 1)))},
      {"lowest height", with(22, 0x80000000u)},
      {"too many pixels", with(22, 5000, true).replace(18, 4, std::string("\x88\x13\x00\x00", 4))},
      {"odd depth", with(28, 7, false)},
      {"data offset past the end", with(10, 100000)},
      {"truncated rows", good.substr(0, good.size() - 5)},
      {"64 bits per pixel", with(28, 64, false)},
      {"embedded JPEG", with(30, 4)},
      {"embedded PNG", with(30, 5)},
      {"bit fields at 24 bits", with(30, 3)},
      {"Huffman 1D", test::AssembleBmp({64, 8, 1, 1, 3, {}, Palette(2), std::string("\xAA\0\0\0", 4)})},
      {"Huffman 1D (40-byte header)",
       test::AssembleBmp({40, 8, 1, 1, 3, {}, Palette(2), std::string("\xAA\0\0\0", 4)})},
      {"RLE8 stored top-down", test::AssembleBmp({40, 4, -3, 8, 1, {}, Palette(16), kRle8Codes})},
      {"RLE8 at 4 bits", test::AssembleBmp({40, 4, 3, 4, 1, {}, Palette(16), kRle8Codes})},
      {"mask with a gap",
       test::AssembleBmp({40, 1, 1, 32, 3, {0xF0F000, 0xF00, 0xF}, {}, std::string(4, '\0')})},
      {"masks overlapping",
       test::AssembleBmp({40, 1, 1, 32, 3, {0xFF0000, 0x1FF00, 0xFF}, {}, std::string(4, '\0')})},
      {"claims 8192 x 8192 in a small file",
       with(22, 8192).replace(18, 4, std::string("\x00\x20\x00\x00", 4))},
  };
  for (const Case& c : cases) {
    const Result<Surface> loaded = LoadBitmap(c.bytes, 32);
    EXPECT_FALSE(loaded.ok()) << c.what;
    EXPECT_FALSE(loaded.error().empty()) << c.what;
  }
  EXPECT_FALSE(LoadBitmap(good, 15).ok()) << "no such colour depth";
}

TEST(LoadBitmap, WidestAcceptedPicture) {
  const std::string bytes =
      MakeBmp(kMaxBitmapSide, 1, 24, {}, [](int x, int) { return x == 8191 ? 0xFFu : 0u; });
  const Result<Surface> loaded = LoadBitmap(bytes, 16);
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  const Surface& s = *loaded;
  EXPECT_EQ(s.Width(), kMaxBitmapSide);
  EXPECT_EQ(s.ReadPixel(kMaxBitmapSide - 1, 0), 0x1Fu);
  EXPECT_EQ(s.ReadPixel(0, 0), 0u);
}

TEST(LoadBitmapFile, ReadsAFileAndRefusesAMissingOne) {
  test::ScratchFolder folder("corv_bitmap_file");
  const std::string dir = folder.str();
  const std::string path = dir + "/pic.bmp";
  test::WriteFile(path,
                  MakeBmp(3, 2, 8, Palette(256), [](int x, int y) { return static_cast<uint32_t>(x + y); }));
  const Result<Surface> loaded = LoadBitmapFile(path, 24);
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  EXPECT_EQ(loaded->ReadPixel(2, 1), Raw(24, Palette(256)[3]));
  EXPECT_FALSE(LoadBitmapFile(dir + "/missing.bmp", 24).ok());
  EXPECT_FALSE(LoadBitmapFile(dir, 24).ok()) << "a folder is not a picture";
}

}  // namespace
}  // namespace corv
