// The SSE2 shading loops (every x86-64 processor has SSE2).
#if defined(__x86_64__) || defined(__i386__)

#include "media/shading_vector.h"

namespace corv::shading {

Loops Sse2Loops() {
  return {BlendBytes<16>, DarkenBytes<16>, BlendWords<16>, DarkenWords<16>};
}

}  // namespace corv::shading

#endif
