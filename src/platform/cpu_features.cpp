#include "platform/cpu_features.h"

namespace corv {

const CpuFeatures& Cpu() {
  static const CpuFeatures features = [] {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    f.sse2 = __builtin_cpu_supports("sse2");
    f.ssse3 = __builtin_cpu_supports("ssse3");
    f.avx2 = __builtin_cpu_supports("avx2");
#endif
    return f;
  }();
  return features;
}

bool SimdAvailable(Simd simd) {
  switch (simd) {
    case Simd::kBest:
    case Simd::kPortable:
      return true;
    case Simd::kSse2:
      return Cpu().sse2;
    case Simd::kAvx2:
      return Cpu().avx2;
  }
  return false;
}

Simd Resolve(Simd simd) {
  if (simd != Simd::kBest) return simd;
  static const Simd best = SimdAvailable(Simd::kAvx2)   ? Simd::kAvx2
                           : SimdAvailable(Simd::kSse2) ? Simd::kSse2
                                                        : Simd::kPortable;
  return best;
}

}  // namespace corv
