#include "interaction/save_serializer.h"

#include <cstring>

#include "platform/compression.h"

namespace corv {
namespace {

constexpr uint32_t kMaxTextLength = 65535;  // longer than any name or option text can be

bool IsScalarValue(uint32_t c) {
  return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

}  // namespace

bool Serializer::Need(size_t n) {
  if (!ok_ || input_.size() - at_ < n) ok_ = false;
  return ok_;
}

std::span<const uint8_t> Serializer::Take(size_t n) {
  if (!Need(n)) return {};
  const auto out = input_.subspan(at_, n);
  at_ += n;
  return out;
}

void Serializer::U8(uint8_t& v) {
  if (!loading_) {
    output_.push_back(v);
    return;
  }
  const auto b = Take(1);
  v = b.empty() ? 0 : b[0];
}

void Serializer::U32(uint32_t& v) {
  if (!loading_) {
    for (int i = 0; i < 4; ++i) output_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return;
  }
  const auto b = Take(4);
  v = 0;
  for (size_t i = 0; i < b.size(); ++i) v |= static_cast<uint32_t>(b[i]) << (8 * i);
}

void Serializer::I32(int32_t& v) {
  uint32_t u = static_cast<uint32_t>(v);
  U32(u);
  v = static_cast<int32_t>(u);
}

void Serializer::I32In(int32_t& v, int32_t lo, int32_t hi) {
  I32(v);
  if (loading_ && (v < lo || v > hi)) Fail();
}

void Serializer::Flag(bool& v) {
  uint8_t b = v ? 1 : 0;
  U8(b);
  if (loading_ && b > 1) Fail();
  v = b == 1;
}

uint32_t Serializer::Count(size_t size, uint32_t max) {
  uint32_t n = static_cast<uint32_t>(size);
  U32(n);
  if (loading_ && n > max) Fail();
  return ok_ ? n : 0;
}

void Serializer::ExactCount(size_t size, uint32_t expected) {
  uint32_t n = static_cast<uint32_t>(size);
  U32(n);
  if (loading_ && n != expected) Fail();
}

void Serializer::Chars(std::string& s, uint32_t max_size) {
  const uint32_t n = Count(s.size(), max_size);
  if (!loading_) {
    output_.insert(output_.end(), s.begin(), s.end());
    return;
  }
  const auto b = Take(n);
  s.assign(b.begin(), b.end());
}

void Serializer::Text(std::u32string& s) {
  const uint32_t n = Count(s.size(), kMaxTextLength);
  // Checked before the string is made, so a damaged length never asks for memory the input cannot fill.
  if (loading_ && !Need(static_cast<size_t>(n) * 4)) return;
  if (loading_) s.assign(n, U'\0');
  for (char32_t& c : s) {
    uint32_t u = static_cast<uint32_t>(c);
    U32(u);
    if (loading_ && !IsScalarValue(u)) Fail();
    c = static_cast<char32_t>(u);
  }
}

void Serializer::Picture(Surface& s, bool required, int wanted_width, int wanted_height) {
  int32_t width = s.Width(), height = s.Height(), depth = s.Depth();
  bool keyed = s.colour_key.has_value();
  uint32_t key = s.colour_key.value_or(0);
  I32(width);
  I32(height);
  I32(depth);
  uint8_t keyed_byte = keyed ? 1 : 0;  // any value but 0 means keyed
  U8(keyed_byte);
  U32(key);
  if (!loading_) {
    if (s.Empty()) return;
    const std::vector<uint8_t> packed = Compress({s.Data(), s.SizeBytes()});
    uint32_t packed_size = static_cast<uint32_t>(packed.size());
    U32(packed_size);
    output_.insert(output_.end(), packed.begin(), packed.end());
    return;
  }
  s = Surface();
  if (width == 0 && height == 0 && !required) return;
  if (width != wanted_width || height != wanted_height || (depth != 16 && depth != 24 && depth != 32)) {
    Fail();
    return;
  }
  uint32_t packed_size = 0;
  U32(packed_size);
  const auto packed = Take(packed_size);
  if (!ok_) return;
  Surface surface(width, height, depth);
  const auto pixels = Uncompress(packed, surface.SizeBytes());
  if (!pixels) {
    Fail();
    return;
  }
  std::memcpy(surface.Data(), pixels->data(), pixels->size());
  if (keyed_byte != 0) surface.colour_key = key;
  s = std::move(surface);
}

}  // namespace corv
