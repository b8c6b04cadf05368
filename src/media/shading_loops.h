// What the shading loops of every instruction set share: the per-call rules, the exact division by 100
// and, on x86, the row walk of the vector loops; and the table that holds one set's loops.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/cpu_features.h"

namespace corv::shading {

// ---- Exact division by 100 -------------------------------------------------------------------------

// Every sum old * (100 - percent) + colour * percent lies in 0..25500 (8-bit channels; 5- and 6-bit
// channels stay far below). On that range x / 100 == (x * 41944) >> 22, i.e. the high 16 bits of the
// product shifted right by 6.
constexpr uint32_t kMaxSum = 255 * 100;
constexpr uint32_t kDiv100Magic = 41944;
constexpr int kDiv100Shift = 6;

constexpr bool Div100MagicIsExact() {
  for (uint32_t x = 0; x <= kMaxSum; ++x) {
    if (((x * kDiv100Magic) >> (16 + kDiv100Shift)) != x / 100) return false;
  }
  return true;
}
static_assert(Div100MagicIsExact());

// ---- Per-call rules ------------------------------------------------------------------------------

// 8:8:8 rows: the byte rule repeats every 3 or 4 bytes; 96 bytes is a whole number of both periods and of
// every vector width used here, so a vector at offset i (a multiple of its width) takes its rules from
// position i % 96.
constexpr size_t kPeriod = 96;

// Per byte position: new = (old * weight + addend) / 100, where addend = colour * share. The unused byte of
// a 32-bit pixel has weight and addend 0, so it comes out as 0.
//
// The vector loops need no division and one multiply per byte. The byte is put in the high half of a
// 16-bit lane (x = old * 256), and the new value is the high byte of
//   y = mulhi(x, scale) + offset = floor(old * scale / 256) + offset, where
//   scale = ceil(weight * 65536 / 100) and offset = floor(addend * 256 / 100) + 1.
// With T = old * weight + addend: the scale is never below weight * 65536 / 100, so y > 256 * T / 100 - 1,
// hence y >= 256 * floor(T / 100). It exceeds that by less than 1, which adds less than old / 256 < 1, so
// y < 256 * T / 100 + 2 <= 256 * floor(T / 100) + 2.56 * 99 + 2, hence y <= 256 * floor(T / 100) + 255.
// Weight 100 would need scale 65536; 65535 gives floor(old * 65535 / 256) + 1 = 256 * old just the same.
struct ByteBlend {
  alignas(32) std::array<uint16_t, kPeriod> weight{};  // for the portable loop
  alignas(32) std::array<uint16_t, kPeriod> addend{};  // for the same
  // Per 16-bit lane of a period: the lane's low (even position) and high (odd position) byte.
  alignas(32) std::array<uint16_t, kPeriod / 2> even_scale{};
  alignas(32) std::array<uint16_t, kPeriod / 2> even_offset{};
  alignas(32) std::array<uint16_t, kPeriod / 2> odd_scale{};
  alignas(32) std::array<uint16_t, kPeriod / 2> odd_offset{};
};

struct ByteDarken {
  alignas(32) std::array<uint8_t, kPeriod> amount{};  // colour (255 for the unused byte, which clears it)
};

struct WordBlend {
  uint16_t weight = 0;
  uint16_t red = 0, green = 0, blue = 0;  // field value (in field units) * percent
};

struct WordDarken {
  uint16_t red = 0, green = 0, blue = 0;  // field values in place: red << 11, green << 5, blue
};

// One instruction set's loops over n bytes of a row (a whole number of pixels).
struct Loops {
  void (*blend_bytes)(uint8_t* p, size_t n, const ByteBlend& rule) = nullptr;
  void (*darken_bytes)(uint8_t* p, size_t n, const ByteDarken& rule) = nullptr;
  void (*blend_words)(uint8_t* p, size_t n, const WordBlend& rule) = nullptr;
  void (*darken_words)(uint8_t* p, size_t n, const WordDarken& rule) = nullptr;
};

// The loops of `simd` (kBest: the widest set the processor offers), each set in a file of its own.
[[nodiscard]] const Loops& LoopsFor(Simd simd);
[[nodiscard]] Loops PortableLoops();
#if defined(__x86_64__) || defined(__i386__)
[[nodiscard]] Loops Sse2Loops();
[[nodiscard]] Loops Avx2Loops();

// Runs `block` over the n bytes at p, `width` bytes at a time. `rules(held, k)` sets what a block needs at
// rule position k. The rules of the blocks of a period are taken once, before the loop over whole periods, so
// that they stay in registers: read inside the loop, they would be read again for every block, since
// the pixel stores could alias them. The last, partial block goes through a scratch buffer, so every byte
// takes the vector path.
template <size_t width, typename Held, typename Rules, typename Block>
__attribute__((always_inline)) inline void Stream(uint8_t* p, size_t n, Rules&& rules, Block&& block) {
  static_assert(kPeriod % width == 0);
  constexpr size_t kBlocks = kPeriod / width;
  std::array<Held, kBlocks> held;
#pragma GCC unroll 8
  for (size_t j = 0; j < kBlocks; ++j) rules(held[j], j * width);
  size_t i = 0;
  for (; i + kPeriod <= n; i += kPeriod) {
#pragma GCC unroll 8
    for (size_t j = 0; j < kBlocks; ++j) block(p + i + j * width, held[j]);
  }
  size_t k = 0;
  Held at;
  for (; i + width <= n; i += width, k += width) {
    rules(at, k);
    block(p + i, at);
  }
  if (i < n) {
    alignas(32) uint8_t scratch[width];
    std::memcpy(scratch, p + i, n - i);
    rules(at, k);
    block(scratch, at);
    std::memcpy(p + i, scratch, n - i);
  }
}

// For loops whose rule is the same at every position.
struct Uniform {};
constexpr auto kUniform = [](Uniform&, size_t) {};
#endif

}  // namespace corv::shading
