// Loading Windows bitmap files through SDL, converted to the display's pixel format.
//
// The header is read and judged before SDL sees the file, so a file that claims a huge picture is refused
// before any pixel memory is spent, and an uncompressed file too short for the rows it claims is refused
// before SDL allocates for them.
#include "platform/bitmap.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace corv {

namespace {

// At most this many pixels in one picture (64 MiB at 32 bits), whatever the sides.
constexpr int64_t kMaxBitmapPixels = int64_t{4096} * 4096;
constexpr int64_t kFileHeaderSize = 14;

struct SdlSurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

uint32_t ReadU16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8);
}
uint32_t ReadU32(std::string_view b, size_t at) {
  return ReadU16(b, at) | (ReadU16(b, at + 2) << 16);
}
int32_t ReadI32(std::string_view b, size_t at) {
  return static_cast<int32_t>(ReadU32(b, at));
}

// Checks the file and information headers: a known layout, sane dimensions and, for uncompressed pixel
// data, enough bytes for every row claimed.
bool CheckHeader(std::string_view bytes, std::string* error) {
  if (bytes.size() < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
    return Fail(error, "not a bitmap file");
  }
  const int64_t data_offset = ReadU32(bytes, 10);
  const int64_t info_size = ReadU32(bytes, 14);
  int64_t width = 0, height = 0, bits = 0, compression = 0;
  if (info_size == 12) {  // the old core header: 16-bit sides
    width = ReadU16(bytes, 18);
    height = ReadU16(bytes, 20);
    bits = ReadU16(bytes, 24);
  } else if (info_size >= 16 &&
             bytes.size() >= static_cast<size_t>(kFileHeaderSize + std::min<int64_t>(info_size, 40))) {
    width = ReadI32(bytes, 18);
    height = std::abs(int64_t{ReadI32(bytes, 22)});  // negative: rows stored top-down
    bits = ReadU16(bytes, 28);
    if (info_size >= 20) compression = ReadU32(bytes, 30);
  } else {
    return Fail(error, "unknown bitmap header");
  }
  if (width < 1 || height < 1) return Fail(error, "bitmap has no pixels");
  if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxBitmapPixels) {
    return Fail(error,
                "bitmap is too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return Fail(error, "unsupported bitmap depth " + std::to_string(bits));
  }
  if (data_offset > static_cast<int64_t>(bytes.size()))
    return Fail(error, "bitmap data lies beyond the file");
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  if (uncompressed) {
    const int64_t row_bytes = (width * bits + 7) / 8;
    const int64_t stride = (row_bytes + 3) / 4 * 4;
    if (data_offset + stride * (height - 1) + row_bytes > static_cast<int64_t>(bytes.size())) {
      return Fail(error, "bitmap file is truncated");
    }
  }
  return true;
}

Uint32 SdlFormatFor(int depth) {
  switch (depth) {
    case 16:
      return SDL_PIXELFORMAT_RGB565;
    case 24:
      return SDL_PIXELFORMAT_BGR24;  // bytes blue, green, red in memory
    default:
      return SDL_PIXELFORMAT_XRGB8888;
  }
}

}  // namespace

bool LoadBitmap(std::string_view bytes, int depth, Surface& out, std::string* error) {
  if (depth != 16 && depth != 24 && depth != 32) return Fail(error, "unsupported colour depth");
  if (!CheckHeader(bytes, error)) return false;

  SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!stream) return Fail(error, SDL_GetError());
  const SdlSurfacePtr decoded(SDL_LoadBMP_RW(stream, 1));
  if (!decoded) return Fail(error, std::string("bitmap could not be decoded: ") + SDL_GetError());
  const SdlSurfacePtr converted(SDL_ConvertSurfaceFormat(decoded.get(), SdlFormatFor(depth), 0));
  if (!converted) return Fail(error, std::string("bitmap could not be converted: ") + SDL_GetError());

  Surface picture(converted->w, converted->h, depth);
  if (SDL_MUSTLOCK(converted.get()) && SDL_LockSurface(converted.get()) != 0)
    return Fail(error, SDL_GetError());
  const auto* source = static_cast<const uint8_t*>(converted->pixels);
  const size_t row_bytes = static_cast<size_t>(picture.Pitch());
  for (int y = 0; y < picture.Height(); ++y) {
    std::memcpy(picture.Row(y), source + static_cast<size_t>(y) * converted->pitch, row_bytes);
    if (depth == 32) {
      uint8_t* row = picture.Row(y);
      for (int x = 0; x < picture.Width(); ++x) row[4 * x + 3] = 0;  // the unused byte is kept as zero
    }
  }
  if (SDL_MUSTLOCK(converted.get())) SDL_UnlockSurface(converted.get());
  out = std::move(picture);
  return true;
}

bool LoadBitmapFile(const std::string& path, int depth, Surface& out, std::string* error) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return Fail(error, "cannot open " + path);
  const std::streamoff size = file.tellg();
  // Nothing sensible is larger than the largest picture stored uncompressed at 32 bits, plus headers.
  if (size < 0 || size > kMaxBitmapPixels * 4 + (int64_t{1} << 20))
    return Fail(error, "bitmap file is too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  file.seekg(0);
  if (!file.read(bytes.data(), size)) return Fail(error, "cannot read " + path);
  return LoadBitmap(bytes, depth, out, error);
}

}  // namespace corv
