// The SSE2 and SSSE3 row loops of the copies: doubled rows without a key. Every x86-64 processor has
// SSE2; the three-byte loop needs SSSE3's byte shuffle and is used only where it is present.
#if defined(__x86_64__) || defined(__i386__)

#include "platform/blit_rows.h"
#include "platform/blit_rows_portable.h"
#include "platform/blit_rows_x86.h"

namespace corv {
namespace {

using namespace x86;

// Doubled rows: 2- and 4-byte pixels interleaved with themselves, 3-byte pixels through three shuffles.
void DoubleRow16Sse2(uint8_t* d, const uint8_t* s, int n_src) {
  int i = 0;
  for (; i + 8 <= n_src; i += 8) {
    const __m128i v = Load128(s + 2 * i);
    Store128(d + 4 * i, _mm_unpacklo_epi16(v, v));
    Store128(d + 4 * i + 16, _mm_unpackhi_epi16(v, v));
  }
  DoubleRow<2>(d + 4 * i, s + 2 * i, n_src - i);
}

void DoubleRow32Sse2(uint8_t* d, const uint8_t* s, int n_src) {
  const __m128i low = _mm_set1_epi32(0xFFFFFF);
  int i = 0;
  for (; i + 4 <= n_src; i += 4) {
    const __m128i v = _mm_and_si128(Load128(s + 4 * i), low);
    Store128(d + 8 * i, _mm_unpacklo_epi32(v, v));
    Store128(d + 8 * i + 16, _mm_unpackhi_epi32(v, v));
  }
  DoubleRow<4>(d + 8 * i, s + 4 * i, n_src - i);
}

__attribute__((target("ssse3"))) void DoubleRow24Ssse3(uint8_t* d, const uint8_t* s, int n_src) {
  const __m128i c0 = Control(Double24(0)), c1 = Control(Double24(1)), c2 = Control(Double24(2));
  int i = 0;
  for (; i + 8 <= n_src; i += 8) {
    const uint8_t* from = s + 3 * i;
    uint8_t* to = d + 6 * i;
    Store128(to, _mm_shuffle_epi8(Load128(from), c0));
    Store128(to + 16, _mm_shuffle_epi8(Load128(from + 4), c1));
    Store128(to + 32, _mm_shuffle_epi8(Load128(from + 8), c2));
  }
  DoubleRow<3>(d + 6 * i, s + 3 * i, n_src - i);
}

}  // namespace

void UseSse2Rows(BlitRows& rows, bool ssse3) {
  rows.bytes2.doubled = DoubleRow16Sse2;
  rows.bytes4.doubled = DoubleRow32Sse2;
  if (ssse3) rows.bytes3.doubled = DoubleRow24Ssse3;
}

}  // namespace corv

#endif
