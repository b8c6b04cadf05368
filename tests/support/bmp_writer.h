// Writes Windows bitmap files byte by byte, so that the tests know exactly what a picture holds.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "program.h"  // WriteFile, to put a bitmap in a scratch folder

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

// A bitmap assembled from its parts, for the header versions, compressions and colour masks that
// MakeBmp does not write.
struct BmpParts {
  int header_size = 40;  // 12 (core), 16 or 64 (OS/2 2.x), 40, 108 (v4), 124 (v5)
  int width = 1;
  int height = 1;  // negative: rows stored top-down
  int bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;  // inside a header of 52 bytes or more, after a shorter one
  std::vector<Rgb> palette;     // 3-byte entries after a core header, 4-byte ones otherwise
  std::string pixels;           // stored as given: padded rows, or run-length codes
};

inline std::string AssembleBmp(const BmpParts& p) {
  const bool core = p.header_size == 12;
  const size_t header = static_cast<size_t>(p.header_size);
  const size_t masks_after = header < 52 ? 4 * p.masks.size() : 0;
  const size_t offset = 14 + header + masks_after + (core ? 3 : 4) * p.palette.size();
  std::string b(offset, '\0');
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 2, static_cast<uint32_t>(offset + p.pixels.size()));
  PutU32(b, 10, static_cast<uint32_t>(offset));
  PutU32(b, 14, static_cast<uint32_t>(header));
  if (core) {
    PutU16(b, 18, static_cast<uint32_t>(p.width));
    PutU16(b, 20, static_cast<uint32_t>(p.height));
    PutU16(b, 22, 1);
    PutU16(b, 24, static_cast<uint32_t>(p.bits));
  } else {
    PutU32(b, 18, static_cast<uint32_t>(p.width));
    PutU32(b, 22, static_cast<uint32_t>(p.height));
    PutU16(b, 26, 1);
    PutU16(b, 28, static_cast<uint32_t>(p.bits));
    if (header >= 20) PutU32(b, 30, p.compression);
    if (header >= 24) PutU32(b, 34, static_cast<uint32_t>(p.pixels.size()));
    if (header >= 36) PutU32(b, 46, static_cast<uint32_t>(p.palette.size()));
  }
  const size_t masks_at = header < 52 ? 14 + header : 54;
  for (size_t i = 0; i < p.masks.size(); ++i) PutU32(b, masks_at + 4 * i, p.masks[i]);
  for (size_t i = 0, at = 14 + header + masks_after; i < p.palette.size(); ++i, at += core ? 3 : 4) {
    b[at] = static_cast<char>(p.palette[i].blue);
    b[at + 1] = static_cast<char>(p.palette[i].green);
    b[at + 2] = static_cast<char>(p.palette[i].red);
  }
  return b + p.pixels;
}

// Rows of 16- or 32-bit raw pixels, `value(x, y)` for the picture's row y from the top, stored bottom-up
// (unless `top_down`) and padded to four bytes.
inline std::string PackedRows(int width, int height, int bits, const std::function<uint32_t(int, int)>& value,
                              bool top_down = false) {
  const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) / 4 * 4;
  std::string b(stride * static_cast<size_t>(height), '\0');
  for (int y = 0; y < height; ++y) {
    const size_t row = stride * static_cast<size_t>(top_down ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      bits == 16 ? PutU16(b, row + 2 * x, value(x, y)) : PutU32(b, row + 4 * x, value(x, y));
    }
  }
  return b;
}

// A 16- or 32-bit bitmap whose pixels are read through colour masks (compression 3, or 6 with an alpha
// mask), `value(x, y)` the raw pixel at row y from the top; a negative height stores the rows top-down.
inline std::string BitFieldsBmp(int header_size, int width, int height, int bits, uint32_t compression,
                                std::vector<uint32_t> masks, const std::function<uint32_t(int, int)>& value) {
  return AssembleBmp({header_size,
                      width,
                      height,
                      bits,
                      compression,
                      std::move(masks),
                      {},
                      PackedRows(width, std::abs(height), bits, value, height < 0)});
}

// A 24-bit bitmap whose every pixel is given as a 0xRRGGBB colour.
inline std::string MakeBmp24(int width, int height, const std::function<uint32_t(int, int)>& colour) {
  return MakeBmp(width, height, 24, {}, colour);
}

}  // namespace corv::test
