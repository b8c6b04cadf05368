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
      Surface s;
      std::string error;
      ASSERT_TRUE(LoadBitmap(bytes, depth, s, &error)) << f.bits << "-bit file: " << error;
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

// A 32-bit file may carry anything in its fourth byte; the loaded pixels keep it at zero.
TEST(LoadBitmap, FourthByteIsZeroAt32Bits) {
  std::string bytes = MakeBmp(2, 2, 32, {}, [](int, int) { return 0x336699u; });
  for (size_t at = 54 + 3; at < bytes.size(); at += 4) bytes[at] = static_cast<char>(0x80);
  Surface s;
  ASSERT_TRUE(LoadBitmap(bytes, 32, s, nullptr));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(s.ReadPixel(x, y), 0x336699u) << x << "," << y;
  }
}

// Damaged or absurd files are refused before any pixels are made, and leave the output alone.
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
      {"claims 8192 x 8192 in a small file",
       with(22, 8192).replace(18, 4, std::string("\x00\x20\x00\x00", 4))},
  };
  for (const Case& c : cases) {
    Surface out(3, 3, 32);
    out.WritePixel(1, 1, 0xABCDEF);
    std::string error;
    EXPECT_FALSE(LoadBitmap(c.bytes, 32, out, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(out.Width(), 3) << c.what;
    EXPECT_EQ(out.ReadPixel(1, 1), 0xABCDEFu) << c.what;
  }
  Surface out;
  EXPECT_FALSE(LoadBitmap(good, 15, out, nullptr)) << "no such colour depth";
}

TEST(LoadBitmap, WidestAcceptedPicture) {
  const std::string bytes =
      MakeBmp(kMaxBitmapSide, 1, 24, {}, [](int x, int) { return x == 8191 ? 0xFFu : 0u; });
  Surface s;
  ASSERT_TRUE(LoadBitmap(bytes, 16, s, nullptr));
  EXPECT_EQ(s.Width(), kMaxBitmapSide);
  EXPECT_EQ(s.ReadPixel(kMaxBitmapSide - 1, 0), 0x1Fu);
  EXPECT_EQ(s.ReadPixel(0, 0), 0u);
}

TEST(LoadBitmapFile, ReadsAFileAndRefusesAMissingOne) {
  test::ScratchFolder folder("corv_bitmap_file");
  const std::string dir = folder.path();
  const std::string path = dir + "/pic.bmp";
  test::WriteFile(path,
                  MakeBmp(3, 2, 8, Palette(256), [](int x, int y) { return static_cast<uint32_t>(x + y); }));
  Surface s;
  std::string error;
  ASSERT_TRUE(LoadBitmapFile(path, 24, s, &error)) << error;
  EXPECT_EQ(s.ReadPixel(2, 1), Raw(24, Palette(256)[3]));
  EXPECT_FALSE(LoadBitmapFile(dir + "/missing.bmp", 24, s, &error));
  EXPECT_FALSE(LoadBitmapFile(dir, 24, s, &error)) << "a folder is not a picture";
}

}  // namespace
}  // namespace corv
