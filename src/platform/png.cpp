#include "platform/png.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/file_store.h"

namespace corv {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int64_t kMaxPixels = int64_t{8192} * 8192;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t GetU32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutU32(out, static_cast<uint32_t>(crc));
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  if (pb <= pc) return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

// 8:8:8 pixels of B bytes lie blue, green, red in memory (then a fourth byte at 32 bits).
template <int B>
void SwapRow(const uint8_t* in, int width, uint8_t* out) {
  for (int x = 0; x < width; ++x, in += B, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

// One row of raw pixels to RGB bytes. The loops have no calls and no branches per pixel, so the compiler
// turns them into vector code.
void RowToRgb(int depth, const uint8_t* in, int width, uint8_t* out) {
  if (depth == 16) {
    for (int x = 0; x < width; ++x, in += 2, out += 3) {
      uint16_t p;
      std::memcpy(&p, in, 2);
      const uint32_t r = p >> 11u, g = (p >> 5u) & 0x3Fu, b = p & 0x1Fu;
      out[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
      out[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
      out[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
    }
  } else if (depth == 24) {
    SwapRow<3>(in, width, out);
  } else {
    SwapRow<4>(in, width, out);
  }
}

}  // namespace

RgbImage FrameToRgb(const Surface& frame) {
  RgbImage image;
  image.width = frame.Width();
  image.height = frame.Height();
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  const size_t row_bytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < frame.Height(); ++y)
    RowToRgb(frame.Depth(), frame.Row(y), frame.Width(), image.rgb.data() + row_bytes * y);
  return image;
}

std::vector<uint8_t> EncodePng(const RgbImage& image) {
  std::vector<uint8_t> out(std::begin(kSignature), std::end(kSignature));
  std::vector<uint8_t> header;
  PutU32(header, static_cast<uint32_t>(image.width));
  PutU32(header, static_cast<uint32_t>(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  PutChunk(out, "IHDR", header);

  // Every row with filter "none": frames are mostly flat colour, which deflate handles well as it is. The
  // fastest level: on the demo's frames it writes files half as large again as level 6 in a third
  // of the time, and a shot is written while the game waits.
  const size_t row_bytes = static_cast<size_t>(image.width) * 3;
  std::vector<uint8_t> raw;
  raw.reserve((row_bytes + 1) * image.height);
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    const uint8_t* row = image.rgb.data() + row_bytes * y;
    raw.insert(raw.end(), row, row + row_bytes);
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_SPEED);
  packed.resize(packed_size);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

Status WritePngFile(const std::string& path, const RgbImage& image) {
  return WriteFileAtomically(path, EncodePng(image));
}

Result<RgbImage> DecodePng(std::string_view bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size();
  if (n < 8 || std::memcmp(p, kSignature, 8) != 0) return Fail("not a PNG file");
  size_t pos = 8;
  uint32_t width = 0, height = 0;
  int channels = 0;
  bool have_header = false, have_end = false;
  std::vector<uint8_t> packed;
  while (pos + 12 <= n && !have_end) {
    const uint32_t length = GetU32(p + pos);
    if (length > n - pos - 12) return Fail("truncated PNG chunk");
    const uint8_t* type = p + pos + 4;
    const uint8_t* data = p + pos + 8;
    const uLong crc = crc32(0L, type, length + 4);
    if (crc != GetU32(data + length)) return Fail("PNG chunk checksum mismatch");
    if (std::memcmp(type, "IHDR", 4) == 0) {
      if (length != 13) return Fail("bad PNG header");
      width = GetU32(data);
      height = GetU32(data + 4);
      const uint8_t bit_depth = data[8], colour = data[9], interlace = data[12];
      if (bit_depth != 8 || interlace != 0 || data[10] != 0 || data[11] != 0) {
        return Fail("only 8-bit non-interlaced PNG files are read");
      }
      channels = colour == 2 ? 3 : colour == 6 ? 4 : colour == 0 ? 1 : colour == 4 ? 2 : 0;
      if (channels == 0) return Fail("unsupported PNG colour type");
      if (width == 0 || height == 0 || int64_t{width} * height > kMaxPixels) return Fail("bad PNG size");
      have_header = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      packed.insert(packed.end(), data, data + length);
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      have_end = true;
    }
    pos += 12 + length;
  }
  if (!have_header || !have_end) return Fail("incomplete PNG file");

  const size_t stride = static_cast<size_t>(width) * channels;
  std::vector<uint8_t> raw((stride + 1) * height);
  uLongf raw_size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &raw_size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      raw_size != raw.size()) {
    return Fail("damaged PNG pixel data");
  }
  // Undo the row filters in place; each row refers to the one above it.
  std::vector<uint8_t> pixels(stride * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t filter = raw[y * (stride + 1)];
    const uint8_t* in = raw.data() + y * (stride + 1) + 1;
    uint8_t* row = pixels.data() + y * stride;
    const uint8_t* up = y > 0 ? row - stride : nullptr;
    for (size_t i = 0; i < stride; ++i) {
      const int a = i >= static_cast<size_t>(channels) ? row[i - channels] : 0;
      const int b = up ? up[i] : 0;
      const int c = (up && i >= static_cast<size_t>(channels)) ? up[i - channels] : 0;
      int predictor = 0;
      switch (filter) {
        case 0:
          predictor = 0;
          break;
        case 1:
          predictor = a;
          break;
        case 2:
          predictor = b;
          break;
        case 3:
          predictor = (a + b) / 2;
          break;
        case 4:
          predictor = Paeth(a, b, c);
          break;
        default:
          return Fail("bad PNG row filter");
      }
      row[i] = static_cast<uint8_t>(in[i] + predictor);
    }
  }
  RgbImage out;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i) {
    const uint8_t* s = pixels.data() + i * channels;
    uint8_t* d = out.rgb.data() + i * 3;
    if (channels >= 3) {
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
    } else {
      d[0] = d[1] = d[2] = s[0];
    }
  }
  return out;
}

Result<RgbImage> ReadPngFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail("cannot open " + path);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Result<RgbImage> image = DecodePng(bytes);
  if (!image) return Fail(path + ": " + image.error());
  return image;
}

}  // namespace corv
