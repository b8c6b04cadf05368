// What the x86 row loops of SSE2, SSSE3 and AVX2 share: unaligned 16-byte loads and stores and the byte
// shuffles of three-byte pixels.
#pragma once

#include <immintrin.h>

#include <array>
#include <cstdint>

namespace corv::x86 {

inline __m128i Load128(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store128(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// A pshufb control as a vector: byte j takes byte index[j] of the source (-1: zero).
inline __m128i Control(const std::array<int8_t, 16>& index) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(index.data()));
}

// Three-byte pixels p..p+3 of a 16-byte load (from its first byte), widened to four 32-bit lanes.
constexpr std::array<int8_t, 16> kWiden24 = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1};
// The same for a load made four bytes early.
constexpr std::array<int8_t, 16> kWiden24Late = {4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1};

// Eight three-byte pixels, doubled, as three 16-byte parts read from loads at bytes 0, 4 and 8.
constexpr std::array<int8_t, 16> Double24(int part) {
  std::array<int8_t, 16> index{};
  for (int j = 0; j < 16; ++j) {
    const int out = 16 * part + j;
    index[j] = static_cast<int8_t>(3 * (out / 6) + out % 3 - 4 * part);
  }
  return index;
}

}  // namespace corv::x86
