// The row loops the copies run, as one table per instruction set. Two operations carry nearly every
// frame: a row copied leaving out the key (the page-text layer, a keyed picture) and a row whose pixels
// are each written twice (a 320 x 240 picture on the 640 x 480 screen). Each has a portable loop and, on
// x86, vector loops; all give the same bytes. The tables are filled once, the first time they are asked
// for, and never change.
#pragma once

#include <cstdint>

#include "platform/cpu_features.h"

namespace corv {

// n pixels from s onto d, leaving out those equal to the key.
using KeyedRowFn = void (*)(uint8_t* d, const uint8_t* s, int n, uint32_t key);
// n_src source pixels, each written twice onto d.
using DoubleRowFn = void (*)(uint8_t* d, const uint8_t* s, int n_src);
// The same leaving out the key, onto d and, when not null, onto a second row d2 at once.
using DoubleKeyedRowFn = void (*)(uint8_t* d, uint8_t* d2, const uint8_t* s, int n_src, uint32_t key);

struct RowLoops {
  KeyedRowFn keyed = nullptr;
  DoubleRowFn doubled = nullptr;
  DoubleKeyedRowFn doubled_keyed = nullptr;
};

// The loops for 2-, 3- and 4-byte pixels.
struct BlitRows {
  RowLoops bytes2, bytes3, bytes4;
  template <int B>
  const RowLoops& For() const {
    if constexpr (B == 2) return bytes2;
    if constexpr (B == 3) return bytes3;
    return bytes4;
  }
};

// The table of `simd` (kBest: the widest set the processor offers). `simd` must be available.
[[nodiscard]] const BlitRows& BlitRowsFor(Simd simd);

#if defined(__x86_64__) || defined(__i386__)
// Put the vector loops of one instruction set into a table (each in the file of its set).
void UseSse2Rows(BlitRows& rows, bool ssse3);
void UseAvx2Rows(BlitRows& rows);
#endif

}  // namespace corv
