// The SSE2 shading loops (every x86-64 processor has SSE2).
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "media/shading_loops.h"

namespace corv::shading {
namespace {

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

}  // namespace

Loops Sse2Loops() {
  return {BlendBytesSse2, DarkenBytesSse2, BlendWordsSse2, DarkenWordsSse2};
}

}  // namespace corv::shading

#endif
