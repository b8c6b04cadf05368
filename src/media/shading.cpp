// Colour packing and rectangle shading.
//
// Both rectangle routines reduce to one operation per channel, so the work is done on rows of channels:
// 8:8:8 rows are a stream of bytes whose rule repeats every 3 (24-bit) or 4 (32-bit) bytes, 5:6:5 rows a
// stream of 16-bit pixels. Each stream has a portable loop and, on x86, SSE2 and AVX2 loops; all of them
// compute the exact integer results. The 5:6:5 vector loops divide by 100 with a multiply-high that is exact
// on the whole range their sums can take (checked at compile time below); the 8:8:8 vector loops fold the
// division into their one multiply per byte (see ByteBlend).
#include "media/shading.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORV_SHADING_X86 1
#endif

namespace corv {

int32_t PackColour(int depth, int32_t& red, int32_t& green, int32_t& blue) {
  // Shifted in unsigned arithmetic so that a stray out-of-range value wraps instead of overflowing.
  green = static_cast<int32_t>(static_cast<uint32_t>(green) << 8);
  red = static_cast<int32_t>(static_cast<uint32_t>(red) << 16);
  if (depth < 24) {
    blue = blue / 8;
    green = (green / 32) & 0x7E0;
    red = (red / 263) & static_cast<int32_t>(0xFFFFF800u);
  }
  return red | green | blue;
}

namespace {

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

ByteBlend MakeByteBlend(int bytes_per_pixel, int32_t percent, const std::array<int32_t, 3>& colour) {
  struct Channel {
    uint16_t weight = 0, addend = 0, scale = 0, offset = 0;
  };
  std::array<Channel, 4> channels{};  // the unused byte of a 32-bit pixel keeps all 0
  const auto weight = static_cast<uint32_t>(100 - percent);
  for (size_t c = 0; c < 3; ++c) {
    const auto addend = static_cast<uint32_t>(colour[c] * percent);
    channels[c] = {static_cast<uint16_t>(weight), static_cast<uint16_t>(addend),
                   static_cast<uint16_t>(std::min<uint32_t>((weight * 65536 + 99) / 100, 65535)),
                   static_cast<uint16_t>(addend * 256 / 100 + 1)};
  }
  const auto bpp = static_cast<size_t>(bytes_per_pixel);
  ByteBlend rule;
  for (size_t i = 0; i < kPeriod; ++i) {
    const Channel& channel = channels[i % bpp];
    rule.weight[i] = channel.weight;
    rule.addend[i] = channel.addend;
    (i % 2 == 0 ? rule.even_scale : rule.odd_scale)[i / 2] = channel.scale;
    (i % 2 == 0 ? rule.even_offset : rule.odd_offset)[i / 2] = channel.offset;
  }
  return rule;
}

struct ByteDarken {
  alignas(32) std::array<uint8_t, kPeriod> amount{};  // colour (255 for the unused byte, which clears it)
};

ByteDarken MakeByteDarken(int bytes_per_pixel, const std::array<int32_t, 3>& colour) {
  const auto bpp = static_cast<size_t>(bytes_per_pixel);
  ByteDarken rule;
  for (size_t i = 0, channel = 0; i < kPeriod; ++i, channel = channel + 1 == bpp ? 0 : channel + 1) {
    rule.amount[i] = channel == 3 ? 255 : static_cast<uint8_t>(colour[channel]);
  }
  return rule;
}

// 5:6:5 pixels: the fields are taken apart, blended or lowered one by one and put together again.
struct WordBlend {
  uint16_t weight = 0;
  uint16_t red = 0, green = 0, blue = 0;  // field value (in field units) * percent
};

struct WordDarken {
  uint16_t red = 0, green = 0, blue = 0;  // field values in place: red << 11, green << 5, blue
};

// ---- Portable loops ------------------------------------------------------------------------------

// The 8:8:8 loops take the row a period at a time, so that byte j of every period has rule j: loops of
// that shape, with no calls and no rule index to wrap, are what compilers turn into vector code on any
// processor. The rules are copied to locals first, since the pixel stores could otherwise alias them.
template <typename Bytes>
inline void ForEachPeriod(uint8_t* p, size_t n, Bytes&& bytes) {
  size_t i = 0;
  for (; i + kPeriod <= n; i += kPeriod) bytes(p + i, kPeriod);
  if (i < n) bytes(p + i, n - i);
}

void BlendBytesPortable(uint8_t* p, size_t n, const ByteBlend& rule) {
  const std::array<uint16_t, kPeriod> weight = rule.weight, addend = rule.addend;
  ForEachPeriod(p, n, [&](uint8_t* q, size_t count) {
    for (size_t j = 0; j < count; ++j) {
      const auto sum = static_cast<uint16_t>(q[j] * weight[j] + addend[j]);  // at most 25500
      q[j] = static_cast<uint8_t>(sum / 100);
    }
  });
}

void DarkenBytesPortable(uint8_t* p, size_t n, const ByteDarken& rule) {
  const std::array<uint8_t, kPeriod> amount = rule.amount;
  ForEachPeriod(p, n, [&](uint8_t* q, size_t count) {
    for (size_t j = 0; j < count; ++j) q[j] = static_cast<uint8_t>(q[j] > amount[j] ? q[j] - amount[j] : 0);
  });
}

// Pixels are 16-bit values, n bytes of them. The arithmetic stays within 16 bits (a sum is at most
// 63 * 100), so the compiler can use the narrowest vector lanes; the rule is copied to locals, since the
// pixel stores could otherwise alias it.
void BlendWordsPortable(uint8_t* p, size_t n, const WordBlend& rule) {
  const uint16_t weight = rule.weight, red = rule.red, green = rule.green, blue = rule.blue;
  const auto blend = [weight](unsigned field, uint16_t addend) {
    return static_cast<uint16_t>(static_cast<uint16_t>(field * weight + addend) / 100);
  };
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint16_t v;
    std::memcpy(&v, p + i, 2);
    const auto out = static_cast<uint16_t>((blend(v >> 11u, red) << 11u) |
                                           (blend((v >> 5u) & 0x3Fu, green) << 5u) | blend(v & 0x1Fu, blue));
    std::memcpy(p + i, &out, 2);
  }
}

void DarkenWordsPortable(uint8_t* p, size_t n, const WordDarken& rule) {
  const uint16_t red = rule.red, green = rule.green, blue = rule.blue;
  const auto lower = [](unsigned field, uint16_t amount) {
    return static_cast<uint16_t>(field > amount ? field - amount : 0u);
  };
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint16_t v;
    std::memcpy(&v, p + i, 2);
    const auto out =
        static_cast<uint16_t>(lower(v & 0xF800u, red) | lower(v & 0x7E0u, green) | lower(v & 0x1Fu, blue));
    std::memcpy(p + i, &out, 2);
  }
}

#if CORV_SHADING_X86

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

// ---- SSE2 loops (every x86-64 processor) ---------------------------------------------------------

inline __m128i Load128(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void Store128(void* p, __m128i v) {
  _mm_storeu_si128(static_cast<__m128i*>(p), v);
}
inline __m128i Div100(__m128i x) {
  return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(kDiv100Magic))), kDiv100Shift);
}

void BlendBytesSse2(uint8_t* p, size_t n, const ByteBlend& rule) {
  const __m128i high_bytes = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
  struct Lanes {
    __m128i even_scale, even_offset, odd_scale, odd_offset;
  };
  const auto rules = [&](Lanes& r, size_t k) {
    r = {Load128(&rule.even_scale[k / 2]), Load128(&rule.even_offset[k / 2]), Load128(&rule.odd_scale[k / 2]),
         Load128(&rule.odd_offset[k / 2])};
  };
  Stream<16, Lanes>(p, n, rules, [&](uint8_t* q, const Lanes& r) {
    // Even bytes are moved up to the high half of their lane; odd bytes are there already. Each result is
    // the high byte of its lane: the even ones move back down, and masks merge the two halves.
    const __m128i v = Load128(q);
    const __m128i even = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(v, 8), r.even_scale), r.even_offset);
    const __m128i odd =
        _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(v, high_bytes), r.odd_scale), r.odd_offset);
    Store128(q, _mm_or_si128(_mm_srli_epi16(even, 8), _mm_and_si128(odd, high_bytes)));
  });
}

void DarkenBytesSse2(uint8_t* p, size_t n, const ByteDarken& rule) {
  Stream<16, __m128i>(
      p, n, [&](__m128i& amount, size_t k) { amount = Load128(&rule.amount[k]); },
      [&](uint8_t* q, const __m128i& amount) { Store128(q, _mm_subs_epu8(Load128(q), amount)); });
}

void BlendWordsSse2(uint8_t* p, size_t n, const WordBlend& rule) {
  const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(rule.weight));
  const __m128i red = _mm_set1_epi16(static_cast<int16_t>(rule.red));
  const __m128i green = _mm_set1_epi16(static_cast<int16_t>(rule.green));
  const __m128i blue = _mm_set1_epi16(static_cast<int16_t>(rule.blue));
  const __m128i mask6 = _mm_set1_epi16(0x3F), mask5 = _mm_set1_epi16(0x1F);
  Stream<16, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const __m128i v = Load128(q);
    const __m128i r = Div100(_mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(v, 11), weight), red));
    const __m128i g =
        Div100(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(v, 5), mask6), weight), green));
    const __m128i b = Div100(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(v, mask5), weight), blue));
    Store128(q, _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 11), _mm_slli_epi16(g, 5)), b));
  });
}

void DarkenWordsSse2(uint8_t* p, size_t n, const WordDarken& rule) {
  const __m128i red = _mm_set1_epi16(static_cast<int16_t>(rule.red));
  const __m128i green = _mm_set1_epi16(static_cast<int16_t>(rule.green));
  const __m128i blue = _mm_set1_epi16(static_cast<int16_t>(rule.blue));
  const __m128i mask_r = _mm_set1_epi16(static_cast<int16_t>(0xF800));
  const __m128i mask_g = _mm_set1_epi16(0x7E0), mask_b = _mm_set1_epi16(0x1F);
  Stream<16, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const __m128i v = Load128(q);
    const __m128i r = _mm_subs_epu16(_mm_and_si128(v, mask_r), red);
    const __m128i g = _mm_subs_epu16(_mm_and_si128(v, mask_g), green);
    const __m128i b = _mm_subs_epu16(_mm_and_si128(v, mask_b), blue);
    Store128(q, _mm_or_si128(_mm_or_si128(r, g), b));
  });
}

// ---- AVX2 loops ------------------------------------------------------------------------------------
// Compiled for AVX2 (lambdas included) and only called when the processor has it.

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

inline __m256i Load256(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline void Store256(void* p, __m256i v) {
  _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}
inline __m256i Div100x16(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<int16_t>(kDiv100Magic))),
                           kDiv100Shift);
}

void BlendBytesAvx2(uint8_t* p, size_t n, const ByteBlend& rule) {
  const __m256i high_bytes = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
  struct Lanes {
    __m256i even_scale, even_offset, odd_scale, odd_offset;
  };
  const auto rules = [&](Lanes& r, size_t k) {
    r = {Load256(&rule.even_scale[k / 2]), Load256(&rule.even_offset[k / 2]), Load256(&rule.odd_scale[k / 2]),
         Load256(&rule.odd_offset[k / 2])};
  };
  Stream<32, Lanes>(p, n, rules, [&](uint8_t* q, const Lanes& r) {
    // As in the SSE2 loop, with one byte blend to merge the halves.
    const __m256i v = Load256(q);
    const __m256i even =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(v, 8), r.even_scale), r.even_offset);
    const __m256i odd =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(v, high_bytes), r.odd_scale), r.odd_offset);
    Store256(q, _mm256_blendv_epi8(_mm256_srli_epi16(even, 8), odd, high_bytes));
  });
}

void DarkenBytesAvx2(uint8_t* p, size_t n, const ByteDarken& rule) {
  Stream<32, __m256i>(
      p, n, [&](__m256i& amount, size_t k) { amount = Load256(&rule.amount[k]); },
      [&](uint8_t* q, const __m256i& amount) { Store256(q, _mm256_subs_epu8(Load256(q), amount)); });
}

void BlendWordsAvx2(uint8_t* p, size_t n, const WordBlend& rule) {
  const __m256i weight = _mm256_set1_epi16(static_cast<int16_t>(rule.weight));
  const __m256i red = _mm256_set1_epi16(static_cast<int16_t>(rule.red));
  const __m256i green = _mm256_set1_epi16(static_cast<int16_t>(rule.green));
  const __m256i blue = _mm256_set1_epi16(static_cast<int16_t>(rule.blue));
  const __m256i mask6 = _mm256_set1_epi16(0x3F), mask5 = _mm256_set1_epi16(0x1F);
  Stream<32, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const __m256i v = Load256(q);
    const __m256i r = Div100x16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(v, 11), weight), red));
    const __m256i g = Div100x16(_mm256_add_epi16(
        _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi16(v, 5), mask6), weight), green));
    const __m256i b =
        Div100x16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(v, mask5), weight), blue));
    Store256(q, _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi16(r, 11), _mm256_slli_epi16(g, 5)), b));
  });
}

void DarkenWordsAvx2(uint8_t* p, size_t n, const WordDarken& rule) {
  const __m256i red = _mm256_set1_epi16(static_cast<int16_t>(rule.red));
  const __m256i green = _mm256_set1_epi16(static_cast<int16_t>(rule.green));
  const __m256i blue = _mm256_set1_epi16(static_cast<int16_t>(rule.blue));
  const __m256i mask_r = _mm256_set1_epi16(static_cast<int16_t>(0xF800));
  const __m256i mask_g = _mm256_set1_epi16(0x7E0), mask_b = _mm256_set1_epi16(0x1F);
  Stream<32, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const __m256i v = Load256(q);
    const __m256i r = _mm256_subs_epu16(_mm256_and_si256(v, mask_r), red);
    const __m256i g = _mm256_subs_epu16(_mm256_and_si256(v, mask_g), green);
    const __m256i b = _mm256_subs_epu16(_mm256_and_si256(v, mask_b), blue);
    Store256(q, _mm256_or_si256(_mm256_or_si256(r, g), b));
  });
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif  // CORV_SHADING_X86

// ---- Choosing a path -------------------------------------------------------------------------------

Simd Resolve(Simd simd) {
  if (simd != Simd::kBest) return simd;
  if (SimdAvailable(Simd::kAvx2)) return Simd::kAvx2;
  if (SimdAvailable(Simd::kSse2)) return Simd::kSse2;
  return Simd::kPortable;
}

void BlendBytes(Simd simd, uint8_t* p, size_t n, const ByteBlend& rule) {
#if CORV_SHADING_X86
  if (simd == Simd::kAvx2) return BlendBytesAvx2(p, n, rule);
  if (simd == Simd::kSse2) return BlendBytesSse2(p, n, rule);
#endif
  (void)simd;
  BlendBytesPortable(p, n, rule);
}

void DarkenBytes(Simd simd, uint8_t* p, size_t n, const ByteDarken& rule) {
#if CORV_SHADING_X86
  if (simd == Simd::kAvx2) return DarkenBytesAvx2(p, n, rule);
  if (simd == Simd::kSse2) return DarkenBytesSse2(p, n, rule);
#endif
  (void)simd;
  DarkenBytesPortable(p, n, rule);
}

void BlendWords(Simd simd, uint8_t* p, size_t n, const WordBlend& rule) {
#if CORV_SHADING_X86
  if (simd == Simd::kAvx2) return BlendWordsAvx2(p, n, rule);
  if (simd == Simd::kSse2) return BlendWordsSse2(p, n, rule);
#endif
  (void)simd;
  BlendWordsPortable(p, n, rule);
}

void DarkenWords(Simd simd, uint8_t* p, size_t n, const WordDarken& rule) {
#if CORV_SHADING_X86
  if (simd == Simd::kAvx2) return DarkenWordsAvx2(p, n, rule);
  if (simd == Simd::kSse2) return DarkenWordsSse2(p, n, rule);
#endif
  (void)simd;
  DarkenWordsPortable(p, n, rule);
}

// ---- Rectangles ------------------------------------------------------------------------------------

// The part of the rectangle (x, y, w, h), both ends included, that lies on the surface.
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;  // all included
};

bool ClipArea(const Surface& surface, int32_t x, int32_t y, int32_t w, int32_t h, Area& area) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + w, surface.Width() - 1);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + h, surface.Height() - 1);
  if (left > right || top > bottom) return false;
  area =
      Area{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
  return true;
}

// Hands each row of the area to `run` as (first byte, byte count). Whole-width areas of a surface without
// row padding are one run.
template <typename Run>
void ForEachRun(Surface& surface, const Area& area, Run&& run) {
  const size_t bpp = static_cast<size_t>(surface.BytesPerPixel());
  const size_t row_bytes = static_cast<size_t>(area.right - area.left + 1) * bpp;
  if (area.left == 0 && area.right == surface.Width() - 1 &&
      static_cast<size_t>(surface.Pitch()) == row_bytes) {
    run(surface.Row(area.top), row_bytes * static_cast<size_t>(area.bottom - area.top + 1));
    return;
  }
  for (int y = area.top; y <= area.bottom; ++y) run(surface.Row(y) + area.left * bpp, row_bytes);
}

bool Usable(const Surface& surface, int depth, Simd simd) {
  if (surface.Empty() || !SimdAvailable(simd)) return false;
  const int bpp = surface.BytesPerPixel();
  return depth >= 24 ? (bpp == 3 || bpp == 4) : bpp == 2;
}

int32_t Clamp(int32_t v, int32_t low, int32_t high) {
  return std::min(std::max(v, low), high);
}

}  // namespace

bool SimdAvailable(Simd simd) {
  switch (simd) {
    case Simd::kBest:
    case Simd::kPortable:
      return true;
#if CORV_SHADING_X86
    case Simd::kSse2:
      return __builtin_cpu_supports("sse2");
    case Simd::kAvx2:
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

bool DarkenRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
                int32_t green, int32_t blue, Simd simd) {
  if (!Usable(surface, depth, simd)) return false;
  simd = Resolve(simd);
  red = Clamp(red, 0, 255), green = Clamp(green, 0, 255), blue = Clamp(blue, 0, 255);
  PackColour(depth, red, green, blue);
  Area area;
  if (!ClipArea(surface, x, y, w, h, area)) return true;

  if (depth < 24) {
    const WordDarken rule{static_cast<uint16_t>(red), static_cast<uint16_t>(green),
                          static_cast<uint16_t>(blue)};
    ForEachRun(surface, area, [&](uint8_t* p, size_t n) { DarkenWords(simd, p, n, rule); });
    return true;
  }
  const ByteDarken rule = MakeByteDarken(surface.BytesPerPixel(), {blue, green >> 8, red >> 16});
  ForEachRun(surface, area, [&](uint8_t* p, size_t n) { DarkenBytes(simd, p, n, rule); });
  return true;
}

bool BlendRect(Surface& surface, int depth, int32_t x, int32_t y, int32_t w, int32_t h, int32_t red,
               int32_t green, int32_t blue, int32_t percent, Simd simd) {
  if (!Usable(surface, depth, simd)) return false;
  simd = Resolve(simd);
  red = Clamp(red, 0, 255), green = Clamp(green, 0, 255), blue = Clamp(blue, 0, 255);
  percent = Clamp(percent, 0, 100);
  PackColour(depth, red, green, blue);
  const auto weight = static_cast<uint16_t>(100 - percent);
  Area area;
  if (!ClipArea(surface, x, y, w, h, area)) return true;

  if (depth < 24) {
    const WordBlend rule{weight, static_cast<uint16_t>((red >> 11) * percent),
                         static_cast<uint16_t>((green >> 5) * percent),
                         static_cast<uint16_t>(blue * percent)};
    ForEachRun(surface, area, [&](uint8_t* p, size_t n) { BlendWords(simd, p, n, rule); });
    return true;
  }
  const ByteBlend rule = MakeByteBlend(surface.BytesPerPixel(), percent, {blue, green >> 8, red >> 16});
  ForEachRun(surface, area, [&](uint8_t* p, size_t n) { BlendBytes(simd, p, n, rule); });
  return true;
}

}  // namespace corv
