// One object that either writes values into a byte buffer or reads them back, so that a single routine
// describes a file's layout for both directions and the two can never drift apart.
//
// Numbers are little-endian. When reading, any read past the end or any value outside its allowed range
// marks the whole input damaged (ok() turns false) and later reads give zeros; when writing, ranges are
// not checked: what the player holds is written as it is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace corv {

class Serializer {
 public:
  // A serializer that writes, appending to bytes().
  Serializer() = default;
  // A serializer that reads `bytes`.
  explicit Serializer(std::span<const uint8_t> bytes) : input_(bytes), loading_(true) {}

  bool Loading() const { return loading_; }
  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ == input_.size(); }
  void Fail() { ok_ = false; }
  std::vector<uint8_t>& bytes() { return output_; }

  void U8(uint8_t& v);
  void U32(uint32_t& v);
  void I32(int32_t& v);
  // An int32 that must lie in lo..hi.
  void I32In(int32_t& v, int32_t lo, int32_t hi);
  // A flag stored as one byte, 0 or 1.
  void Flag(bool& v);
  // A count of `size` items, read back as the count, which must not exceed `max`.
  uint32_t Count(size_t size, uint32_t max);
  // A count of `size` items that must read back as exactly `expected`.
  void ExactCount(size_t size, uint32_t expected);
  // Bytes led by their count, at most max_size of them.
  void Chars(std::string& s, uint32_t max_size);
  // Unicode text, led by its length in characters; every character a Unicode scalar value.
  void Text(std::u32string& s);
  // A surface with its colour key, pixels deflated. When reading, a surface of 0 x 0 stands for an empty
  // one unless `required`, and anything but width x height in depth 16, 24 or 32 is damaged.
  void Picture(Surface& s, bool required, int width, int height);

 private:
  bool Need(size_t n);
  std::span<const uint8_t> Take(size_t n);

  std::vector<uint8_t> output_;
  std::span<const uint8_t> input_;
  size_t at_ = 0;
  bool loading_ = false;
  bool ok_ = true;
};

}  // namespace corv
