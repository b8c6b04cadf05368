// Which vector instructions the processor offers, asked once, and the instruction sets the pixel loops
// (copies, shading) come in. Every loop set gives the same bytes; the choice only changes the speed.
#pragma once

// Everything between CORV_BEGIN_AVX2 and CORV_END_AVX2 (placed outside any namespace) is compiled for
// AVX2, lambdas and templates defined there included. Code built on every processor, such as a table
// of the loops, stays outside.
#if defined(__clang__)
#define CORV_BEGIN_AVX2 \
  _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define CORV_END_AVX2 _Pragma("clang attribute pop")
#else
#define CORV_BEGIN_AVX2 _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define CORV_END_AVX2 _Pragma("GCC pop_options")
#endif

namespace corv {

// kBest takes the widest set the processor offers; the others name one set, so that tests and
// benchmarks can hold every path against the portable one.
enum class Simd { kBest, kPortable, kSse2, kAvx2 };

// The processor's features, read on first use and fixed from then on.
struct CpuFeatures {
  bool sse2 = false;
  bool ssse3 = false;
  bool avx2 = false;
};
[[nodiscard]] const CpuFeatures& Cpu();

// True when the loops of `simd` can run on this processor (kBest and kPortable always can).
[[nodiscard]] bool SimdAvailable(Simd simd);

// The set kBest stands for on this processor, chosen once; any other value is returned as it is.
[[nodiscard]] Simd Resolve(Simd simd);

// The one of a family's three tables of loops (portable, SSE2, AVX2) that `simd` stands for: the one
// place where every family of pixel loops is chosen.
template <typename Table>
[[nodiscard]] const Table& TableFor(Simd simd, const Table& portable, const Table& sse2, const Table& avx2) {
  switch (Resolve(simd)) {
    case Simd::kAvx2:
      return avx2;
    case Simd::kSse2:
      return sse2;
    default:
      return portable;
  }
}

}  // namespace corv
