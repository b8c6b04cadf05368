// The portable row loops of the copies, for B-byte pixels: what every processor runs, and the tails
// of the vector loops. Written with the compiler's vector extension and whole-word tricks, so that
// they are fast without any instruction set of their own.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/pixel_access.h"

namespace corv {

// Vectors of the GCC/Clang vector extension: portable, and compiled to SIMD where the target has it.
using U32x4 = uint32_t __attribute__((vector_size(16)));
using U16x8 = uint16_t __attribute__((vector_size(16)));

// Copies n pixels leaving out those equal to the key, without a branch per pixel: whole vectors are
// blended, three-byte pixels go four at a time through an 8-byte and a 4-byte word.
template <int B>
void CopyRowKeyed(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  int i = 0;
  if constexpr (B == 2) {
    const uint16_t k = static_cast<uint16_t>(key);
    const U16x8 kv = {k, k, k, k, k, k, k, k};
    for (; i + 8 <= n; i += 8) {
      U16x8 v, o;
      std::memcpy(&v, s + 2 * i, 16);
      std::memcpy(&o, d + 2 * i, 16);
      const U16x8 keep = reinterpret_cast<U16x8>(v == kv);
      const U16x8 r = (o & keep) | (v & ~keep);
      std::memcpy(d + 2 * i, &r, 16);
    }
  } else if constexpr (B == 4) {
    const U32x4 kv = {key, key, key, key};
    const U32x4 low = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    for (; i + 4 <= n; i += 4) {
      U32x4 v, o;
      std::memcpy(&v, s + 4 * i, 16);
      std::memcpy(&o, d + 4 * i, 16);
      const U32x4 keep = reinterpret_cast<U32x4>(v == kv);
      const U32x4 r = (o & keep) | (v & low & ~keep);
      std::memcpy(d + 4 * i, &r, 16);
    }
  } else {
    // Four pixels in twelve bytes: an 8-byte word holds pixels 0, 1 and two bytes of 2, a 4-byte word
    // the last byte of 2 and pixel 3.
    auto keep_if = [key](uint64_t pixel, uint64_t bits) { return (0 - uint64_t{pixel == key}) & bits; };
    // Four key pixels in a row, as the same two words: runs of the key (the empty parts of the page-text
    // layer) are passed over at one comparison per four pixels.
    const uint64_t key_run0 = key | (uint64_t{key} << 24) | (uint64_t{key} << 48);
    const uint32_t key_run1 = (key >> 16) | (key << 8);
    for (; i + 4 <= n; i += 4) {
      uint64_t v0, o0;
      uint32_t v1, o1;
      std::memcpy(&v0, s + 3 * i, 8);
      std::memcpy(&v1, s + 3 * i + 8, 4);
      if (v0 == key_run0 && v1 == key_run1) continue;
      std::memcpy(&o0, d + 3 * i, 8);
      std::memcpy(&o1, d + 3 * i + 8, 4);
      const uint32_t p2 = static_cast<uint32_t>(v0 >> 48) | ((v1 & 0xFF) << 16);
      const uint64_t keep0 = keep_if(v0 & 0xFFFFFF, 0xFFFFFF) |
                             keep_if((v0 >> 24) & 0xFFFFFF, 0xFFFFFFull << 24) | keep_if(p2, 0xFFFFull << 48);
      const uint32_t keep1 = static_cast<uint32_t>(keep_if(p2, 0xFF) | keep_if(v1 >> 8, 0xFFFFFF00u));
      const uint64_t r0 = (o0 & keep0) | (v0 & ~keep0);
      const uint32_t r1 = (o1 & keep1) | (v1 & ~keep1);
      std::memcpy(d + 3 * i, &r0, 8);
      std::memcpy(d + 3 * i + 8, &r1, 4);
    }
  }
  for (; i < n; ++i) {
    const uint32_t v = Load<B>(s + B * i);
    if (v != key) Store<B>(d + B * i, v);
  }
}

// Exactly doubled columns: source pixel i lands on destination pixels 2i and 2i + 1.
template <int B>
void DoubleRow(uint8_t* d, const uint8_t* s, int n_src) {
  int i = 0;
  if constexpr (B == 2) {
    // Four source pixels from one 8-byte word become two words of four.
    for (; i + 4 <= n_src; i += 4) {
      uint64_t w;
      std::memcpy(&w, s + 2 * i, 8);
      uint64_t out[2];
      for (int h = 0; h < 2; ++h) {
        const uint64_t a = (w >> (32 * h)) & 0xFFFF, b = (w >> (32 * h + 16)) & 0xFFFF;
        out[h] = a | (a << 16) | (b << 32) | (b << 48);
      }
      std::memcpy(d + 4 * i, out, 16);
    }
  } else if constexpr (B == 4) {
    // Two source pixels from one 8-byte word become two words of two.
    for (; i + 2 <= n_src; i += 2) {
      uint64_t w;
      std::memcpy(&w, s + 4 * i, 8);
      uint64_t out[2];
      for (int h = 0; h < 2; ++h) {
        const uint64_t a = (w >> (32 * h)) & 0xFFFFFF;
        out[h] = a | (a << 32);
      }
      std::memcpy(d + 8 * i, out, 16);
    }
  } else {
    // Two source pixels (read as one 8-byte word while a third pixel follows) become twelve bytes.
    for (; i + 3 <= n_src; i += 2) {
      uint64_t w;
      std::memcpy(&w, s + 3 * i, 8);
      const uint64_t a = w & 0xFFFFFF, b = (w >> 24) & 0xFFFFFF;
      const uint64_t out0 = a | (a << 24) | (b << 48);
      const uint32_t out1 = static_cast<uint32_t>((b >> 16) | (b << 8));
      std::memcpy(d + 6 * i, &out0, 8);
      std::memcpy(d + 6 * i + 8, &out1, 4);
    }
  }
  for (; i < n_src; ++i) {
    const uint32_t v = Load<B>(s + B * i);
    Store<B>(d + 2 * B * i, v);
    Store<B>(d + 2 * B * i + B, v);
  }
}

// Doubled columns leaving out the key: source pixel i lands on destination pixels 2i and 2i + 1 unless
// it equals the key. A source row shown on two destination rows is written to both at once, d2 being
// the second (or null): the source is read and tested once for the pair.
template <int B>
void DoubleRowKeyed(uint8_t* d, uint8_t* d2, const uint8_t* s, int n_src, uint32_t key) {
  for (int i = 0; i < n_src; ++i) {
    const uint32_t v = Load<B>(s + B * i);
    if (v == key) continue;
    Store<B>(d + 2 * B * i, v);
    Store<B>(d + 2 * B * i + B, v);
    if (d2) {
      Store<B>(d2 + 2 * B * i, v);
      Store<B>(d2 + 2 * B * i + B, v);
    }
  }
}
}  // namespace corv
