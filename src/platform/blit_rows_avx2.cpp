// The AVX2 row loops of the copies: rows leaving out the key, plain and doubled. Compiled for AVX2 and
// put into the table only when the processor has it.
#if defined(__x86_64__) || defined(__i386__)

#include "platform/blit_rows.h"
#include "platform/blit_rows_portable.h"
#include "platform/blit_rows_x86.h"

CORV_BEGIN_AVX2

namespace corv {
namespace {

using namespace x86;

inline __m256i Load256(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store256(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// The 32 bytes of a step onto `to`: as they are where `bits` says no byte holds the key, else blended
// with what `to` holds where `keep` is set.
inline void StoreKeyed(uint8_t* to, __m256i pixels, __m256i keep, int bits) {
  Store256(to, bits == 0 ? pixels : _mm256_blendv_epi8(pixels, Load256(to), keep));
}

// The row of n B-byte pixels (B is 2 or 4) at s, 32 bytes a step: each step that is not all key goes to
// `store(i, pixels, keep, bits)` with its first pixel i, its pixels (the unused byte of a 32-bit pixel
// cleared), 0xFF in every byte of a pixel equal to the key, and those flags as a byte mask. Returns the
// first pixel it did not reach.
template <int B, typename Store>
__attribute__((always_inline)) inline int ForKeyedSteps(const uint8_t* s, int n, uint32_t key,
                                                        Store&& store) {
  static_assert(B == 2 || B == 4);
  constexpr int kStep = 32 / B;
  const __m256i kv =
      B == 2 ? _mm256_set1_epi16(static_cast<int16_t>(key)) : _mm256_set1_epi32(static_cast<int32_t>(key));
  const __m256i low = _mm256_set1_epi32(0xFFFFFF);
  int i = 0;
  for (; i + kStep <= n; i += kStep) {
    const __m256i v = Load256(s + B * i);
    const __m256i keep = B == 2 ? _mm256_cmpeq_epi16(v, kv) : _mm256_cmpeq_epi32(v, kv);
    const int bits = _mm256_movemask_epi8(keep);
    if (bits == -1) continue;
    store(i, B == 2 ? v : _mm256_and_si256(v, low), keep, bits);
  }
  return i;
}

// Keyed rows of 2- and 4-byte pixels; a step that holds no key is stored as it is, one that holds only
// the key is passed over.
template <int B>
void CopyRowKeyedAvx2(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  const int i = ForKeyedSteps<B>(s, n, key, [d](int at, __m256i pixels, __m256i keep, int bits) {
    StoreKeyed(d + B * at, pixels, keep, bits);
  });
  CopyRowKeyed<B>(d + B * i, s + B * i, n - i, key);
}

// One byte per pixel, 0xFF where it equals the key, for the sixteen 3-byte pixels at `from`: the pixels
// are widened to 32-bit lanes, compared, and the results narrowed.
inline __m128i KeyFlags24(const uint8_t* from, __m128i kv, __m128i widen) {
  const __m128i p0 = _mm_shuffle_epi8(Load128(from), widen);
  const __m128i p1 = _mm_shuffle_epi8(Load128(from + 12), widen);
  const __m128i p2 = _mm_shuffle_epi8(Load128(from + 24), widen);
  const __m128i p3 = _mm_shuffle_epi8(_mm_srli_si128(Load128(from + 32), 4), widen);
  return _mm_packs_epi16(_mm_packs_epi32(_mm_cmpeq_epi32(p0, kv), _mm_cmpeq_epi32(p1, kv)),
                         _mm_packs_epi32(_mm_cmpeq_epi32(p2, kv), _mm_cmpeq_epi32(p3, kv)));
}

// Pixels 4k..4k+3 and 16+4k..16+4k+3 of the 32 three-byte pixels at `from`, compared with the key in
// 32-bit lanes: the low half of the result holds the first four, the high half the others. The last
// group's high half is loaded four bytes early, so that nothing past the 96 bytes is read.
inline __m256i KeyLanes24(const uint8_t* from, int k, __m256i widen, __m256i widen_late, __m256i kv) {
  const bool last = k == 3;
  const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(from + 12 * k)),
                                            Load128(from + 48 + 12 * k - (last ? 4 : 0)), 1);
  return _mm256_cmpeq_epi32(_mm256_shuffle_epi8(v, last ? widen_late : widen), kv);
}

// One byte per pixel, 0xFF where it equals the key, in pixel order, for the 32 three-byte pixels (96
// bytes) at `from`. The packs work within halves, so each half gathers sixteen pixels in order.
inline __m256i KeyFlags24x32(const uint8_t* from, __m256i kv, __m256i widen, __m256i widen_late) {
  const __m256i m0 = KeyLanes24(from, 0, widen, widen_late, kv),
                m1 = KeyLanes24(from, 1, widen, widen_late, kv),
                m2 = KeyLanes24(from, 2, widen, widen_late, kv),
                m3 = KeyLanes24(from, 3, widen, widen_late, kv);
  return _mm256_packs_epi16(_mm256_packs_epi32(m0, m1), _mm256_packs_epi32(m2, m3));
}

// Byte shuffles that spread the 32 flag bytes over the three bytes of each pixel: part 0, 1 or 2 of the
// 96 bytes. A shuffle reads within its half only, so part 0 is applied to the flags of pixels 0-15 in
// both halves, part 2 to those of pixels 16-31, and part 1 to the flags as they are.
constexpr std::array<int8_t, 32> SpreadFlags24(int part) {
  std::array<int8_t, 32> index{};
  for (int j = 0; j < 32; ++j) {
    const int base = part == 0 ? 0 : part == 2 ? 16 : 16 * (j / 16);
    index[j] = static_cast<int8_t>((32 * part + j) / 3 - base);
  }
  return index;
}

// Keyed rows of 3-byte pixels, 32 pixels (96 bytes) a step: a flag byte per pixel, spread back over its
// three bytes; the last few pixels of a row go one by one.
void CopyRowKeyed24Avx2(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  const __m256i kv32 = _mm256_set1_epi32(static_cast<int32_t>(key));
  const __m256i widen32 = _mm256_broadcastsi128_si256(Control(kWiden24));
  const __m256i widen32_late = _mm256_set_m128i(Control(kWiden24Late), Control(kWiden24));
  static constexpr std::array<int8_t, 32> kSpread0 = SpreadFlags24(0), kSpread1 = SpreadFlags24(1),
                                          kSpread2 = SpreadFlags24(2);
  const auto bytes = [](const std::array<int8_t, 32>& a) {
    return reinterpret_cast<const uint8_t*>(a.data());
  };
  const __m256i spread32_0 = Load256(bytes(kSpread0)), spread32_1 = Load256(bytes(kSpread1)),
                spread32_2 = Load256(bytes(kSpread2));
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const uint8_t* from = s + 3 * i;
    const __m256i flags = KeyFlags24x32(from, kv32, widen32, widen32_late);
    const int bits = _mm256_movemask_epi8(flags);
    if (bits == -1) continue;
    uint8_t* to = d + 3 * i;
    const __m256i s0 = Load256(from), s1 = Load256(from + 32), s2 = Load256(from + 64);
    if (bits == 0) {
      Store256(to, s0);
      Store256(to + 32, s1);
      Store256(to + 64, s2);
      continue;
    }
    const __m256i k0 = _mm256_shuffle_epi8(_mm256_permute2x128_si256(flags, flags, 0x00), spread32_0);
    const __m256i k1 = _mm256_shuffle_epi8(flags, spread32_1);
    const __m256i k2 = _mm256_shuffle_epi8(_mm256_permute2x128_si256(flags, flags, 0x11), spread32_2);
    Store256(to, _mm256_blendv_epi8(s0, Load256(to), k0));
    Store256(to + 32, _mm256_blendv_epi8(s1, Load256(to + 32), k1));
    Store256(to + 64, _mm256_blendv_epi8(s2, Load256(to + 64), k2));
  }

  CopyRowKeyed<3>(d + 3 * i, s + 3 * i, n - i, key);
}

// Pixels doubled within each 128-bit lane (lo: the low halves of both lanes, hi: the high halves), and
// their flags likewise, put back in order as 64 destination bytes at `at` of each row given.
inline void StoreDoubled(uint8_t* d, uint8_t* d2, int at, __m256i lo, __m256i hi, __m256i keep_lo,
                         __m256i keep_hi, int bits) {
  const __m256i first = _mm256_permute2x128_si256(lo, hi, 0x20),
                second = _mm256_permute2x128_si256(lo, hi, 0x31);
  const __m256i keep_first = _mm256_permute2x128_si256(keep_lo, keep_hi, 0x20),
                keep_second = _mm256_permute2x128_si256(keep_lo, keep_hi, 0x31);
  for (uint8_t* row : {d, d2}) {
    if (!row) continue;
    StoreKeyed(row + at, first, keep_first, bits);
    StoreKeyed(row + at + 32, second, keep_second, bits);
  }
}

// Doubled rows of 2- and 4-byte pixels leaving out the key, in one pass: each step doubles the source
// pixels and their key flags alike within each 128-bit lane.
template <int B>
void DoubleRowKeyedAvx2(uint8_t* d, uint8_t* d2, const uint8_t* s, int n_src, uint32_t key) {
  const int i = ForKeyedSteps<B>(s, n_src, key, [d, d2](int at, __m256i v, __m256i keep, int bits) {
    if constexpr (B == 2) {
      StoreDoubled(d, d2, 4 * at, _mm256_unpacklo_epi16(v, v), _mm256_unpackhi_epi16(v, v),
                   _mm256_unpacklo_epi16(keep, keep), _mm256_unpackhi_epi16(keep, keep), bits);
    } else {
      StoreDoubled(d, d2, 8 * at, _mm256_unpacklo_epi32(v, v), _mm256_unpackhi_epi32(v, v),
                   _mm256_unpacklo_epi32(keep, keep), _mm256_unpackhi_epi32(keep, keep), bits);
    }
  });
  DoubleRowKeyed<B>(d + 2 * B * i, d2 ? d2 + 2 * B * i : nullptr, s + B * i, n_src - i, key);
}

// One flag byte per pixel (16 pixels) spread over the six destination bytes of its doubled pixel: part
// 0 to 5 of the 96 bytes.
constexpr std::array<int8_t, 16> SpreadDoubled24(int part) {
  std::array<int8_t, 16> index{};
  for (int j = 0; j < 16; ++j) index[j] = static_cast<int8_t>((16 * part + j) / 6);
  return index;
}

inline void StoreKeyed128(uint8_t* to, __m128i pixels, __m128i keep, bool blend) {
  Store128(to, blend ? _mm_blendv_epi8(pixels, Load128(to), keep) : pixels);
}

// Sixteen 3-byte source pixels (48 bytes) a step become 96 destination bytes.
void DoubleRowKeyed24Avx2(uint8_t* d, uint8_t* d2, const uint8_t* s, int n_src, uint32_t key) {
  const __m128i kv = _mm_set1_epi32(static_cast<int32_t>(key));
  const __m128i widen = Control(kWiden24);
  const __m128i twice[3] = {Control(Double24(0)), Control(Double24(1)), Control(Double24(2))};
  const __m128i spread[6] = {Control(SpreadDoubled24(0)), Control(SpreadDoubled24(1)),
                             Control(SpreadDoubled24(2)), Control(SpreadDoubled24(3)),
                             Control(SpreadDoubled24(4)), Control(SpreadDoubled24(5))};
  int i = 0;
  for (; i + 16 <= n_src; i += 16) {
    const uint8_t* from = s + 3 * i;
    const __m128i flags = KeyFlags24(from, kv, widen);
    const int bits = _mm_movemask_epi8(flags);
    if (bits == 0xFFFF) continue;
    for (int half = 0; half < 2; ++half) {  // source pixels 0-7, then 8-15
      for (int part = 0; part < 3; ++part) {
        const int k = 3 * half + part;
        const __m128i pixels = _mm_shuffle_epi8(Load128(from + 24 * half + 4 * part), twice[part]);
        const __m128i keep = _mm_shuffle_epi8(flags, spread[k]);
        StoreKeyed128(d + 6 * i + 16 * k, pixels, keep, bits != 0);
        if (d2) StoreKeyed128(d2 + 6 * i + 16 * k, pixels, keep, bits != 0);
      }
    }
  }
  DoubleRowKeyed<3>(d + 6 * i, d2 ? d2 + 6 * i : nullptr, s + 3 * i, n_src - i, key);
}

}  // namespace
}  // namespace corv

CORV_END_AVX2

namespace corv {

void UseAvx2Rows(BlitRows& rows) {
  rows.bytes2.keyed = CopyRowKeyedAvx2<2>;
  rows.bytes3.keyed = CopyRowKeyed24Avx2;
  rows.bytes4.keyed = CopyRowKeyedAvx2<4>;
  rows.bytes2.doubled_keyed = DoubleRowKeyedAvx2<2>;
  rows.bytes3.doubled_keyed = DoubleRowKeyed24Avx2;
  rows.bytes4.doubled_keyed = DoubleRowKeyedAvx2<4>;
}

}  // namespace corv

#endif
