#include "platform/blit_rows.h"

#include "platform/blit_rows_portable.h"

namespace corv {
namespace {

BlitRows PortableRows() {
  BlitRows rows;
  rows.bytes2 = {CopyRowKeyed<2>, DoubleRow<2>, DoubleRowKeyed<2>};
  rows.bytes3 = {CopyRowKeyed<3>, DoubleRow<3>, DoubleRowKeyed<3>};
  rows.bytes4 = {CopyRowKeyed<4>, DoubleRow<4>, DoubleRowKeyed<4>};
  return rows;
}

}  // namespace

const BlitRows& BlitRowsFor(Simd simd) {
  static const BlitRows portable = PortableRows();
#if defined(__x86_64__) || defined(__i386__)
  static const BlitRows sse2 = [] {
    BlitRows rows = PortableRows();
    if (Cpu().sse2) UseSse2Rows(rows, Cpu().ssse3);
    return rows;
  }();
  // AVX2 keyed loops; the doubled rows without a key stay those of SSE2 and SSSE3, which every
  // processor with AVX2 has and which already run at the speed of memory.
  static const BlitRows avx2 = [] {
    BlitRows rows = sse2;
    if (Cpu().avx2) UseAvx2Rows(rows);
    return rows;
  }();
  return TableFor(simd, portable, sse2, avx2);
#else
  (void)simd;
  return portable;
#endif
}

}  // namespace corv
