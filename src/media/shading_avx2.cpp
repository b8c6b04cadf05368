// The AVX2 shading loops, compiled for AVX2 (lambdas included) and only used when the processor has it.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "media/shading_loops.h"

namespace corv::shading {
namespace {

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

}  // namespace

Loops Avx2Loops() {
  return {BlendBytesAvx2, DarkenBytesAvx2, BlendWordsAvx2, DarkenWordsAvx2};
}

}  // namespace corv::shading

#endif
