// Raw pixel loads and stores for B bytes a pixel, little-endian, shared by the surface's own pixel
// access, the copies and the drawing. A 32-bit store keeps the fourth byte zero.
#pragma once

#include <cstdint>
#include <cstring>

namespace corv {

template <int B>
inline uint32_t Load(const uint8_t* p) {
  if constexpr (B == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (B == 3) {
    return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
  } else {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int B>
inline void Store(uint8_t* p, uint32_t v) {
  if constexpr (B == 2) {
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (B == 3) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  } else {
    const uint32_t w = v & 0x00FFFFFF;
    std::memcpy(p, &w, 4);
  }
}

}  // namespace corv
