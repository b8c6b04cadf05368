// The AVX2 shading loops, compiled for AVX2 (lambdas included) and only used when the processor has it.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "media/shading_loops.h"

// The headers the loops need come first, so that only the loops themselves are compiled for AVX2.
CORV_BEGIN_AVX2
#include "media/shading_vector.h"
CORV_END_AVX2

namespace corv::shading {

// Built on every processor, so compiled for the baseline: the table only names the AVX2 loops.
Loops Avx2Loops() {
  return {BlendBytes<32>, DarkenBytes<32>, BlendWords<32>, DarkenWords<32>};
}

}  // namespace corv::shading

#endif
