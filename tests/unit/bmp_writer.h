// Writes Windows bitmap files byte by byte, so that the tests know exactly what a picture holds.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace corv::test {

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

inline void PutU16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void PutU32(std::string& b, size_t at, uint32_t v) {
  PutU16(b, at, v & 0xFFFF);
  PutU16(b, at + 2, v >> 16);
}

// A bitmap of `bits` per pixel (1, 4, 8 with `palette`; 16 as 5:5:5; 24; 32) with a 40-byte information
// header. `value(x, y)` gives, for the picture's row y counted from the top, a palette index or a 0xRRGGBB
// colour (16-bit keeps the top 5 bits of each channel). Rows are stored bottom-up unless `top_down`.
inline std::string MakeBmp(int width, int height, int bits, const std::vector<Rgb>& palette,
                           const std::function<uint32_t(int, int)>& value, bool top_down = false) {
  const size_t row_bytes = (static_cast<size_t>(width) * bits + 7) / 8;
  const size_t stride = (row_bytes + 3) / 4 * 4;
  const size_t offset = 14 + 40 + 4 * palette.size();
  std::string b(offset + stride * static_cast<size_t>(height), '\0');
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 2, static_cast<uint32_t>(b.size()));
  PutU32(b, 10, static_cast<uint32_t>(offset));
  PutU32(b, 14, 40);
  PutU32(b, 18, static_cast<uint32_t>(width));
  PutU32(b, 22, static_cast<uint32_t>(top_down ? -height : height));
  PutU16(b, 26, 1);
  PutU16(b, 28, static_cast<uint32_t>(bits));
  PutU32(b, 34, static_cast<uint32_t>(stride * static_cast<size_t>(height)));
  PutU32(b, 46, static_cast<uint32_t>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) {
    b[54 + 4 * i] = static_cast<char>(palette[i].blue);
    b[54 + 4 * i + 1] = static_cast<char>(palette[i].green);
    b[54 + 4 * i + 2] = static_cast<char>(palette[i].red);
  }
  for (int y = 0; y < height; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(top_down ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      const uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, bl = v & 0xFF;
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          const size_t bit = static_cast<size_t>(x) * bits;
          const int shift = 8 - bits - static_cast<int>(bit % 8);  // leftmost pixel in the high bits
          b[row + bit / 8] = static_cast<char>(static_cast<uint8_t>(b[row + bit / 8]) | (v << shift));
          break;
        }
        case 16:
          PutU16(b, row + 2 * x, ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3));
          break;
        case 24:
          b[row + 3 * x] = static_cast<char>(bl);
          b[row + 3 * x + 1] = static_cast<char>(g);
          b[row + 3 * x + 2] = static_cast<char>(r);
          break;
        default:
          PutU32(b, row + 4 * x, v & 0xFFFFFF);
          break;
      }
    }
  }
  return b;
}

// A 24-bit bitmap whose every pixel is given as a 0xRRGGBB colour.
inline std::string MakeBmp24(int width, int height, const std::function<uint32_t(int, int)>& colour) {
  return MakeBmp(width, height, 24, {}, colour);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace corv::test
