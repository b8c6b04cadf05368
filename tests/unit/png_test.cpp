#include "platform/png.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "image.h"

namespace corv {
namespace {

using test::DecodePng;
using test::RgbImage;

// What a reader gets back from the PNG written of the frame.
RgbImage Shot(const Surface& frame) {
  const std::vector<uint8_t> bytes = EncodePng(frame);
  Result<RgbImage> image = DecodePng(std::string(bytes.begin(), bytes.end()));
  EXPECT_TRUE(image.ok()) << image.error();
  return image.ok() ? std::move(image).value() : RgbImage{};
}

// A 24-bit frame showing the image's pixels.
Surface FrameOf(const RgbImage& image) {
  Surface frame(image.width, image.height, 24);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.rgb.data() + (static_cast<size_t>(y) * image.width + x) * 3;
      frame.WritePixel(x, y, (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
    }
  }
  return frame;
}

uint32_t BigEndian(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

TEST(Png, SixteenBitChannelsWidenByBitReplication) {
  struct Case {
    uint32_t raw;
    uint8_t r, g, b;
  };
  const Case cases[] = {
      {0x0000, 0, 0, 0},       {0xFFFF, 255, 255, 255}, {0x001F, 0, 0, 255},
      {0xF800, 255, 0, 0},     {0x07E0, 0, 255, 0},     {0x0801, 8, 0, 8},
      {0x8410, 132, 130, 132}, {0x0020, 0, 4, 0},       {0x7BEF, 123, 125, 123},
  };
  Surface frame(static_cast<int>(std::size(cases)), 1, 16);
  for (size_t i = 0; i < std::size(cases); ++i) frame.WritePixel(static_cast<int>(i), 0, cases[i].raw);
  const RgbImage image = Shot(frame);
  ASSERT_EQ(image.rgb.size(), std::size(cases) * 3);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(image.rgb[i * 3 + 0], cases[i].r) << std::hex << cases[i].raw;
    EXPECT_EQ(image.rgb[i * 3 + 1], cases[i].g) << std::hex << cases[i].raw;
    EXPECT_EQ(image.rgb[i * 3 + 2], cases[i].b) << std::hex << cases[i].raw;
  }
}

TEST(Png, DeepFramesKeepTheirBytes) {
  for (int depth : {24, 32}) {
    Surface frame(2, 1, depth);
    frame.WritePixel(0, 0, 0x123456);
    frame.WritePixel(1, 0, 0xFEDCBA);
    EXPECT_EQ(Shot(frame).rgb, (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xFE, 0xDC, 0xBA})) << depth;
  }
}

// Rows are converted whole: every pixel of a frame of several rows, at every depth, must come out as it
// does on its own.
TEST(Png, EveryRowOfAFrameMatchesItsPixels) {
  for (int depth : {16, 24, 32}) {
    Surface frame(37, 5, depth);
    std::mt19937 random(depth);
    for (int y = 0; y < frame.Height(); ++y) {
      for (int x = 0; x < frame.Width(); ++x)
        frame.WritePixel(x, y, random() & (depth == 16 ? 0xFFFF : 0xFFFFFF));
    }
    std::vector<uint8_t> expected;
    for (int y = 0; y < frame.Height(); ++y) {
      for (int x = 0; x < frame.Width(); ++x) {
        uint8_t r, g, b;
        UnmapPixel(depth, frame.ReadPixel(x, y), r, g, b);
        expected.insert(expected.end(), {r, g, b});
      }
    }
    EXPECT_EQ(Shot(frame).rgb, expected) << depth;
  }
}

TEST(Png, WritesAnEightBitRgbHeader) {
  const std::vector<uint8_t> bytes = EncodePng(Surface(640, 480, 16));
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
  EXPECT_EQ(BigEndian(bytes, 16), 640u);
  EXPECT_EQ(BigEndian(bytes, 20), 480u);
  EXPECT_EQ(bytes[24], 8) << "8 bits a channel";
  EXPECT_EQ(bytes[25], 2) << "RGB";
}

TEST(Png, RejectsDamagedFiles) {
  const std::vector<uint8_t> good = EncodePng(Surface(3, 2, 24));
  struct Case {
    const char* name;
    size_t at;  // byte flipped, or npos to cut the file in half
  };
  const Case cases[] = {
      {"signature", 0}, {"header field", 17}, {"pixel data", 40}, {"truncated", std::string::npos}};
  for (const Case& c : cases) {
    std::string bytes(good.begin(), good.end());
    if (c.at == std::string::npos) {
      bytes.resize(bytes.size() / 2);
    } else {
      bytes[c.at] = static_cast<char>(bytes[c.at] ^ 0x40);
    }
    const Result<RgbImage> out = DecodePng(bytes);
    EXPECT_FALSE(out.ok()) << c.name;
    EXPECT_FALSE(out.error().empty()) << c.name;
  }
}

// ImageMagick as an independent reader and writer: what we write, it reads the same; what it writes
// (with its own row filters), we read the same.
TEST(Png, AgreesWithImageMagick) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
  const auto dir = std::filesystem::temp_directory_path() / ("corv_png_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  RgbImage image{37, 11, std::vector<uint8_t>(37 * 11 * 3)};
  for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<uint8_t>((i * i) % 251);
  const Status written = WritePngFile((dir / "ours.png").string(), FrameOf(image));
  ASSERT_TRUE(written.ok()) << written.error();
  const std::string to_raw =
      "convert " + (dir / "ours.png").string() + " -depth 8 rgb:" + (dir / "ours.rgb").string();
  ASSERT_EQ(std::system(to_raw.c_str()), 0);
  std::ifstream raw(dir / "ours.rgb", std::ios::binary);
  const std::vector<uint8_t> their_pixels((std::istreambuf_iterator<char>(raw)),
                                          std::istreambuf_iterator<char>());
  EXPECT_EQ(their_pixels, image.rgb);

  const std::string to_png = "convert -size 37x11 -depth 8 rgb:" + (dir / "ours.rgb").string() +
                             " -define png:color-type=2 -quality 95 " + (dir / "theirs.png").string();
  ASSERT_EQ(std::system(to_png.c_str()), 0);
  const Result<RgbImage> back = test::ReadPngFile((dir / "theirs.png").string());
  ASSERT_TRUE(back.ok()) << back.error();
  EXPECT_EQ(*back, image);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace corv
