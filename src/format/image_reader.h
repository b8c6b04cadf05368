// The one reader of a game image's bytes. Every read is checked against the image: a read that would
// reach outside it throws ImageBoundsError instead of touching memory that is not the image's.
//
// 16-bit values are read as signed two's-complement numbers (0xFFFF is -1), so that the checks for
// negative variable, label, picture and music numbers have their use. 32-bit values with the top byte
// 0xFF are -1 whatever the other bytes hold (the chain end marker); other values are read as signed
// two's-complement numbers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corv {

struct ImageBoundsError {
  int64_t position = 0;  // the first position asked for that lies outside the image
  int64_t count = 0;     // how many bytes were asked for
};

class ImageReader {
 public:
  ImageReader() = default;
  explicit ImageReader(std::span<const uint8_t> image) : image_(image) {}

  int64_t size() const { return static_cast<int64_t>(image_.size()); }
  // Whether the count bytes from position all lie inside the image (positions count from 1).
  bool Has(int64_t position, int64_t count) const {
    return position >= 1 && count >= 0 && position <= size() + 1 && count <= size() + 1 - position;
  }

  uint8_t Byte(int64_t position) const { return At(position, 1)[0]; }
  uint32_t U16(int64_t position) const {
    const uint8_t* p = At(position, 2);
    return p[0] | (uint32_t{p[1]} << 8);
  }
  uint32_t U32(int64_t position) const {
    const uint8_t* p = At(position, 4);
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }
  int32_t Int16(int64_t position) const { return static_cast<int16_t>(U16(position)); }
  int32_t Int32(int64_t position) const {
    const uint32_t v = U32(position);
    return (v >> 24) == 0xFF ? -1 : static_cast<int32_t>(v);
  }
  // n bytes from position; n <= 0 gives the empty view.
  std::string_view Bytes(int64_t position, int64_t n) const {
    if (n <= 0) return {};
    return std::string_view(reinterpret_cast<const char*>(At(position, n)), static_cast<size_t>(n));
  }
  // n bytes of CP932 text at position, converted to Unicode as a whole (a two-byte character is never
  // split); n <= 0 gives the empty string.
  std::u32string Text(int64_t position, int64_t n) const;

 private:
  const uint8_t* At(int64_t position, int64_t count) const {
    if (!Has(position, count)) Throw(position, count);
    return image_.data() + (position - 1);
  }
  [[noreturn]] void Throw(int64_t position, int64_t count) const;

  std::span<const uint8_t> image_;
};

}  // namespace corv
