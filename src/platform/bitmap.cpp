// Loading Windows bitmap files, converted to the display's pixel format.
//
// The headers are read and judged here before any pixels are made: a file that claims a huge picture, an
// uncompressed file too short for the rows it claims, and what the format does not allow or the player
// does not read (Huffman 1D, RLE24, embedded JPEG or PNG, 64-bit pixels, run-length data stored top-down)
// are refused with a reason. SDL's reader decodes files of 1, 2 and 4 bits and run-length files; an
// OS/2 2.x header shorter than 40 bytes is first widened to the 40-byte layout it is a prefix of.
// Uncompressed rows of 8, 16, 24 and 32 bits are handed to SDL's converter where they lie in the file
// (no copy on the way), and the few lines below widen the colour masks SDL has no pixel format for.
#include "platform/bitmap.h"

#include <SDL.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "platform/sdl_ptrs.h"

namespace corv {

namespace {

// At most this many pixels in one picture (64 MiB at 32 bits), whatever the sides.
constexpr int64_t kMaxBitmapPixels = int64_t{4096} * 4096;
constexpr int64_t kFileHeaderSize = 14;
constexpr int64_t kInfoHeaderSize = 40;

enum Compression : uint32_t {
  kNone = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6
};

uint32_t ReadU16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}
uint32_t ReadU32(std::string_view b, size_t at) {
  return ReadU16(b, at) | (ReadU16(b, at + 2) << 16);
}

// What the headers say about a file that passed every check.
struct BitmapHeader {
  int64_t info_size = 0;
  int64_t data_offset = 0;
  int width = 0;
  int height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kNone;
  uint32_t masks[3] = {};     // red, green, blue of 16- and 32-bit pixels
  uint32_t colours_used = 0;  // palette entries the header gives; 0 means all
};

// A mask must be one run of set bits inside the pixel; no two masks may share a bit.
bool MasksAreValid(const uint32_t (&masks)[3], int bits) {
  const uint64_t pixel = (uint64_t{1} << bits) - 1;
  uint32_t seen = 0;
  for (uint32_t m : masks) {
    if (m & ~pixel || m & seen) return false;
    if (m && !std::has_single_bit((m >> std::countr_zero(m)) + 1)) return false;
    seen |= m;
  }
  return true;
}

// Reads and judges the file and information headers: a known layout, sane dimensions, a depth and a
// compression that go together, valid colour masks and, for uncompressed pixels, every row present.
// The information header is the old 12-byte core header, an OS/2 2.x header of 16 to 64 bytes (any
// field it leaves out is zero) or a Windows header of 40 bytes or more.
Status ReadHeader(std::string_view bytes, BitmapHeader& h) {
  if (bytes.size() < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
    return Fail("not a bitmap file");
  }
  h.data_offset = ReadU32(bytes, 10);
  h.info_size = ReadU32(bytes, 14);
  const int64_t header_end = kFileHeaderSize + h.info_size;
  const auto field = [&](int64_t at) { return at + 4 <= header_end ? ReadU32(bytes, at) : 0; };
  int64_t width = 0, height = 0;
  bool os2 = false;
  if (h.info_size == 12) {  // the old core header: 16-bit sides
    width = ReadU16(bytes, 18);
    height = ReadU16(bytes, 20);
    h.bits = static_cast<int>(ReadU16(bytes, 24));
  } else if (h.info_size >= 16 &&
             bytes.size() >= static_cast<size_t>(kFileHeaderSize + std::min<int64_t>(h.info_size, 124))) {
    os2 = h.info_size < kInfoHeaderSize || h.info_size == 64;
    width = static_cast<int32_t>(ReadU32(bytes, 18));
    height = static_cast<int32_t>(ReadU32(bytes, 22));
    h.top_down = height < 0;
    height = std::abs(height);
    h.bits = static_cast<int>(ReadU16(bytes, 28));
    h.compression = field(30);
    h.colours_used = field(46);
  } else {
    return Fail("unknown bitmap header");
  }
  if (width < 1 || height < 1) return Fail("bitmap has no pixels");
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels) {
    return Fail("bitmap is too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  }
  h.width = static_cast<int>(width);
  h.height = static_cast<int>(height);

  const int b = h.bits;
  if (b == 64) return Fail("64 bits per pixel are not supported");
  const bool known_depth = b == 1 || b == 2 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
  const bool bit_fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  switch (h.compression) {
    case kNone:
      break;
    case kRle8:
    case kRle4:
      if (b != (h.compression == kRle8 ? 8 : 4)) {
        return Fail(std::string(h.compression == kRle8 ? "RLE8" : "RLE4") + " compression with " +
                    std::to_string(b) + " bits per pixel");
      }
      if (h.top_down) return Fail("run-length compressed bitmaps cannot be stored top-down");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (h.compression == kBitFields && (os2 || b == 1)) {
        return Fail("Huffman 1D compression is not supported");
      }
      if (b != 16 && b != 32) return Fail("bit fields with " + std::to_string(b) + " bits per pixel");
      break;
    case kJpeg:
      return Fail(os2 ? "RLE24 compression is not supported" : "embedded JPEG is not supported");
    case kPng:
      return Fail("embedded PNG is not supported");
    default:
      return Fail("unknown compression " + std::to_string(h.compression));
  }
  if (!known_depth) return Fail("unsupported bitmap depth " + std::to_string(b));

  if (b == 16 || b == 32) {
    const bool five_bits = b == 16;
    h.masks[0] = five_bits ? 0x7C00 : 0xFF0000;
    h.masks[1] = five_bits ? 0x03E0 : 0x00FF00;
    h.masks[2] = five_bits ? 0x001F : 0x0000FF;
    if (bit_fields) {
      // Version 2 and later headers hold the masks; the 40-byte one is followed by them.
      const int64_t at = h.info_size >= 52 ? kFileHeaderSize + kInfoHeaderSize : header_end;
      if (at + 12 > static_cast<int64_t>(bytes.size())) return Fail("bitmap file is truncated");
      for (int i = 0; i < 3; ++i) h.masks[i] = ReadU32(bytes, static_cast<size_t>(at + 4 * i));
      if (!MasksAreValid(h.masks, b)) return Fail("colour masks overlap or are not contiguous");
    }
  }

  if (h.data_offset > static_cast<int64_t>(bytes.size())) return Fail("bitmap data lies beyond the file");
  if (h.compression != kRle8 && h.compression != kRle4) {
    const int64_t row_bytes = (width * b + 7) / 8;
    const int64_t stride = (row_bytes + 3) / 4 * 4;
    if (h.data_offset + stride * (height - 1) + row_bytes > static_cast<int64_t>(bytes.size())) {
      return Fail("bitmap file is truncated");
    }
  }
  return {};
}

// An OS/2 2.x header shorter than 40 bytes is a prefix of the 40-byte layout: the copy has it padded
// with zeros (no compression, every palette entry used) and the pixel data offset moved to match.
std::string WidenShortHeader(std::string_view bytes, const BitmapHeader& h) {
  const size_t end = static_cast<size_t>(kFileHeaderSize + h.info_size);
  const size_t added = static_cast<size_t>(kInfoHeaderSize - h.info_size);
  std::string widened(bytes.substr(0, end));
  widened.append(added, '\0');
  widened.append(bytes.substr(end));
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) widened[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put32(14, kInfoHeaderSize);
  put32(10, static_cast<uint32_t>(h.data_offset + static_cast<int64_t>(added)));
  return widened;
}

// One colour channel of a 16- or 32-bit pixel: its field, cut to its top 8 bits, and the table that
// widens a field of fewer bits to 0-255 by repeating its bits (a 2-bit 10 becomes 10101010), so that
// full intensity stays 255 whatever the width.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint8_t widen[256] = {};

  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    const int n = std::popcount(m);
    const int kept = std::min(n, 8);
    shift = std::countr_zero(m) + n - kept;
    for (uint32_t v = 0; v < (1u << kept); ++v) {
      uint32_t out = 0;
      for (int s = 8 - kept; s > -kept; s -= kept) out |= s >= 0 ? v << s : v >> -s;
      widen[v] = static_cast<uint8_t>(out);
    }
  }
  uint32_t operator()(uint32_t pixel) const { return widen[(pixel & mask) >> shift]; }
};

// The 8-bit palette: the entries the header gives (all 256 when it says 0 or more than 256), four bytes
// each after the information header (three after a core header), as far as the file holds them. Indices
// past them show black.
bool SetPalette(SDL_Surface* surface, std::string_view bytes, const BitmapHeader& h) {
  const size_t entry = h.info_size == 12 ? 3 : 4;
  const size_t at = static_cast<size_t>(kFileHeaderSize + h.info_size);
  const size_t in_file = bytes.size() > at ? (bytes.size() - at) / entry : 0;
  const size_t given = h.colours_used == 0 || h.colours_used > 256 ? 256 : h.colours_used;
  SDL_Color colours[256] = {};
  for (size_t i = 0; i < std::min(given, in_file); ++i) {
    const size_t e = at + i * entry;
    colours[i] = SDL_Color{static_cast<Uint8>(bytes[e + 2]), static_cast<Uint8>(bytes[e + 1]),
                           static_cast<Uint8>(bytes[e]), SDL_ALPHA_OPAQUE};
  }
  for (size_t i = std::min(given, in_file); i < 256; ++i) colours[i].a = SDL_ALPHA_OPAQUE;
  return SDL_SetPaletteColors(surface->format->palette, colours, 0, 256) == 0;
}

// The file's uncompressed rows of 8, 16, 24 or 32 bits as a surface, in file order. SDL reads them in
// place when it has a pixel format for them; pixels with other colour masks are widened into an 8:8:8
// surface.
SdlSurfacePtr FileRows(std::string_view bytes, const BitmapHeader& h) {
  const int stride = (h.width * h.bits / 8 + 3) / 4 * 4;
  const char* rows = bytes.data() + h.data_offset;
  if (h.bits == 8 || h.bits == 24) {
    SdlSurfacePtr surface(
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<char*>(rows), h.width, h.height, h.bits, stride,
                                           h.bits == 8 ? SDL_PIXELFORMAT_INDEX8 : SDL_PIXELFORMAT_BGR24));
    if (surface && h.bits == 8 && !SetPalette(surface.get(), bytes, h)) surface.reset();
    return surface;
  }
  // (SDL takes a zero red mask for its default masks, so a file with a channel left out is widened here.)
  const bool all_channels = h.masks[0] && h.masks[1] && h.masks[2];
  const Uint32 format = SDL_MasksToPixelFormatEnum(h.bits, h.masks[0], h.masks[1], h.masks[2], 0);
  if (all_channels && format != SDL_PIXELFORMAT_UNKNOWN) {
    return SdlSurfacePtr(SDL_CreateRGBSurfaceWithFormatFrom(const_cast<char*>(rows), h.width, h.height,
                                                            h.bits, stride, format));
  }
  SdlSurfacePtr out(SDL_CreateRGBSurfaceWithFormat(0, h.width, h.height, 32, SDL_PIXELFORMAT_XRGB8888));
  if (!out) return out;
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  for (int y = 0; y < h.height; ++y) {
    const std::string_view row = bytes.substr(static_cast<size_t>(h.data_offset) + size_t(y) * stride);
    auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) + size_t(y) * out->pitch);
    for (int x = 0; x < h.width; ++x) {
      const uint32_t p = h.bits == 16 ? ReadU16(row, 2 * size_t(x)) : ReadU32(row, 4 * size_t(x));
      target[x] = (red(p) << 16) | (green(p) << 8) | blue(p);
    }
  }
  return out;
}

// Converts the decoded rows into the picture band by band, each band still in the cache when its rows
// are turned the right way up (a file stores them bottom-up) and, at 32 bits from 32-bit pixels, the
// unused fourth byte of each pixel is cleared (SDL copies it; from narrower pixels it writes zero).
bool ConvertInto(SDL_Surface* decoded, SDL_Surface* target, Surface& picture, bool bottom_up) {
  constexpr int kBandRows = 16;
  const int height = picture.Height();
  const size_t row_bytes = static_cast<size_t>(picture.Width()) * picture.BytesPerPixel();
  const bool clear = picture.Depth() == 32 && decoded->format->BytesPerPixel == 4;
  for (int y = 0; y < height; y += kBandRows) {
    const int rows = std::min(kBandRows, height - y);
    const int to_y = bottom_up ? height - y - rows : y;
    SDL_Rect from{0, y, picture.Width(), rows};
    SDL_Rect to{0, to_y, picture.Width(), rows};
    if (SDL_BlitSurface(decoded, &from, target, &to) != 0) return false;
    for (int i = 0; bottom_up && i < rows / 2; ++i) {
      uint8_t* top = picture.Row(to_y + i);
      std::swap_ranges(top, top + row_bytes, picture.Row(to_y + rows - 1 - i));
    }
    for (int i = 0; clear && i < rows; ++i) {
      uint8_t* row = picture.Row(to_y + i);
      for (size_t at = 0; at < row_bytes; at += 4) {  // little-endian: the fourth byte is the top one
        uint32_t pixel;
        std::memcpy(&pixel, row + at, 4);
        pixel &= 0x00FFFFFF;
        std::memcpy(row + at, &pixel, 4);
      }
    }
  }
  return true;
}

}  // namespace

Result<Surface> LoadBitmap(std::string_view bytes, int depth) {
  if (depth != 16 && depth != 24 && depth != 32) return Fail("unsupported colour depth");
  BitmapHeader h;
  if (Status header = ReadHeader(bytes, h); !header) return header.failure();

  SdlSurfacePtr decoded;
  bool bottom_up = false;  // the decoded rows still in the file's bottom-up order
  if (h.bits >= 8 && h.compression != kRle8) {
    decoded = FileRows(bytes, h);
    bottom_up = !h.top_down;
  } else {
    std::string widened;
    if (h.info_size > 12 && h.info_size < kInfoHeaderSize) bytes = widened = WidenShortHeader(bytes, h);
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!stream) return Fail(SDL_GetError());
    decoded.reset(SDL_LoadBMP_RW(stream, 1));
  }
  if (!decoded) return Fail(std::string("bitmap could not be decoded: ") + SDL_GetError());

  // SDL converts straight into the new surface's memory.
  Surface picture(h.width, h.height, depth);
  const SdlSurfacePtr target(SDL_CreateRGBSurfaceWithFormatFrom(picture.Data(), h.width, h.height, depth,
                                                                picture.Pitch(), SdlPixelFormat(depth)));
  if (!target || SDL_SetSurfaceBlendMode(decoded.get(), SDL_BLENDMODE_NONE) != 0 ||
      !ConvertInto(decoded.get(), target.get(), picture, bottom_up)) {
    return Fail(std::string("bitmap could not be converted: ") + SDL_GetError());
  }
  return picture;
}

Result<Surface> LoadBitmapFile(const std::string& path, int depth) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return Fail("cannot open " + path);
  const std::streamoff size = file.tellg();
  // Nothing sensible is larger than the largest picture stored uncompressed at 32 bits, plus headers.
  if (size < 0 || size > kMaxBitmapPixels * 4 + (int64_t{1} << 20)) return Fail("bitmap file is too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  file.seekg(0);
  if (!file.read(bytes.data(), size)) return Fail("cannot read " + path);
  return LoadBitmap(bytes, depth);
}

}  // namespace corv
