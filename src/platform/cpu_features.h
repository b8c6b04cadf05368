// Which vector instructions the processor offers, asked once, and the instruction sets the pixel loops
// (copies, shading) come in. Every loop set gives the same bytes; the choice only changes the speed.
#pragma once

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

// The set kBest stands for on this processor; any other value is returned as it is.
[[nodiscard]] Simd Resolve(Simd simd);

}  // namespace corv
