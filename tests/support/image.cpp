#include "image.h"

#include <zlib.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace corv::test {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int64_t kMaxPixels = int64_t{8192} * 8192;

uint32_t GetU32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  if (pb <= pc) return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

// The next number of a PPM header, skipping white space and "#" comment lines.
int PpmNumber(std::istream& in) {
  while (in && (std::isspace(in.peek()) || in.peek() == '#')) {
    if (in.get() == '#') in.ignore(1 << 16, '\n');
  }
  int value = -1;
  in >> value;
  return value;
}

bool ReadPpm(std::istream& in, RgbImage& image) {
  image.width = PpmNumber(in);
  image.height = PpmNumber(in);
  const int maximum = PpmNumber(in);
  in.get();
  if (maximum != 255 || image.width <= 0 || image.height <= 0) return false;
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return static_cast<bool>(in);
}

}  // namespace

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

bool ReadImage(const std::filesystem::path& path, RgbImage& out) {
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  if (in && magic[0] == 'P' && magic[1] == '6') return ReadPpm(in, out);
  Result<RgbImage> png = ReadPngFile(path.string());
  if (!png) return false;
  out = std::move(png).value();
  return true;
}

}  // namespace corv::test
