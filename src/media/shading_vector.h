// The x86 shading loops, written once over the register width W: 16 bytes (SSE2) or 32 (AVX2). The SSE2
// and AVX2 files each include this where their instruction set is switched on, so that every loop, and
// every lambda in it, is compiled for that set; the unnamed namespace gives each file its own copy. The
// arithmetic is plain operators on the compilers' vector types; `Vectors` adds the three operations that
// have none: MulHi (the high halves of 16-bit products) and the saturating subtractions.
#pragma once

#include <immintrin.h>

#include <cstring>

#include "media/shading_loops.h"

namespace corv::shading {
namespace {

// A register of W bytes seen as bytes or as 16-bit lanes, and what no operator does.
template <size_t W>
struct Vectors {
  static_assert(W == 16 || W == 32);
  typedef uint8_t U8 __attribute__((vector_size(W)));
  typedef uint16_t U16 __attribute__((vector_size(W)));

  static U16 MulHi(U16 a, U16 b) {
    if constexpr (W == 16)
      return (U16)_mm_mulhi_epu16((__m128i)a, (__m128i)b);
    else
      return (U16)_mm256_mulhi_epu16((__m256i)a, (__m256i)b);
  }
  static U8 SubsU8(U8 a, U8 b) {
    if constexpr (W == 16)
      return (U8)_mm_subs_epu8((__m128i)a, (__m128i)b);
    else
      return (U8)_mm256_subs_epu8((__m256i)a, (__m256i)b);
  }
  static U16 SubsU16(U16 a, U16 b) {
    if constexpr (W == 16)
      return (U16)_mm_subs_epu16((__m128i)a, (__m128i)b);
    else
      return (U16)_mm256_subs_epu16((__m256i)a, (__m256i)b);
  }
};

template <typename Vec>
Vec Load(const void* p) {
  Vec v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename Vec>
void Store(void* p, const Vec& v) {
  std::memcpy(p, &v, sizeof v);
}

template <size_t W>
typename Vectors<W>::U16 Div100(typename Vectors<W>::U16 x) {
  return Vectors<W>::MulHi(x, typename Vectors<W>::U16{} + kDiv100Magic) >> kDiv100Shift;
}

template <size_t W>
void BlendBytes(uint8_t* p, size_t n, const ByteBlend& rule) {
  using V = Vectors<W>;
  using U16 = typename V::U16;
  const U16 high_bytes = U16{} + 0xFF00;
  struct Lanes {
    U16 even_scale, even_offset, odd_scale, odd_offset;
  };
  const auto rules = [&](Lanes& r, size_t k) {
    r = {Load<U16>(&rule.even_scale[k / 2]), Load<U16>(&rule.even_offset[k / 2]),
         Load<U16>(&rule.odd_scale[k / 2]), Load<U16>(&rule.odd_offset[k / 2])};
  };
  Stream<W, Lanes>(p, n, rules, [&](uint8_t* q, const Lanes& r) {
    // Even bytes are moved up to the high half of their lane; odd bytes are there already. Each result is
    // the high byte of its lane: the even ones move back down, and masks merge the two halves.
    const U16 v = Load<U16>(q);
    const U16 even = V::MulHi(v << 8, r.even_scale) + r.even_offset;
    const U16 odd = V::MulHi(v & high_bytes, r.odd_scale) + r.odd_offset;
    Store(q, (even >> 8) | (odd & high_bytes));
  });
}

template <size_t W>
void DarkenBytes(uint8_t* p, size_t n, const ByteDarken& rule) {
  using V = Vectors<W>;
  using U8 = typename V::U8;
  Stream<W, U8>(
      p, n, [&](U8& amount, size_t k) { amount = Load<U8>(&rule.amount[k]); },
      [&](uint8_t* q, const U8& amount) { Store(q, V::SubsU8(Load<U8>(q), amount)); });
}

template <size_t W>
void BlendWords(uint8_t* p, size_t n, const WordBlend& rule) {
  using V = Vectors<W>;
  using U16 = typename V::U16;
  const U16 weight = U16{} + rule.weight;
  const U16 red = U16{} + rule.red, green = U16{} + rule.green, blue = U16{} + rule.blue;
  Stream<W, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const U16 v = Load<U16>(q);
    const U16 r = Div100<W>((v >> 11) * weight + red);
    const U16 g = Div100<W>(((v >> 5) & 0x3F) * weight + green);
    const U16 b = Div100<W>((v & 0x1F) * weight + blue);
    Store(q, (r << 11) | (g << 5) | b);
  });
}

template <size_t W>
void DarkenWords(uint8_t* p, size_t n, const WordDarken& rule) {
  using V = Vectors<W>;
  using U16 = typename V::U16;
  const U16 red = U16{} + rule.red, green = U16{} + rule.green, blue = U16{} + rule.blue;
  Stream<W, Uniform>(p, n, kUniform, [&](uint8_t* q, Uniform) {
    const U16 v = Load<U16>(q);
    Store(q, V::SubsU16(v & 0xF800, red) | V::SubsU16(v & 0x7E0, green) | V::SubsU16(v & 0x1F, blue));
  });
}

}  // namespace
}  // namespace corv::shading
