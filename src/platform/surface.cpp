#include "platform/surface.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/glyphs.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORV_SURFACE_X86 1
#endif

namespace corv {

uint32_t MapColour(int depth, uint32_t bgr) {
  const uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
  if (depth == 16) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
  return (r << 16) | (g << 8) | b;
}

void UnmapPixel(int depth, uint32_t pixel, uint8_t& red, uint8_t& green, uint8_t& blue) {
  if (depth == 16) {
    const uint32_t r = (pixel >> 11) & 0x1F, g = (pixel >> 5) & 0x3F, b = pixel & 0x1F;
    red = static_cast<uint8_t>((r << 3) | (r >> 2));
    green = static_cast<uint8_t>((g << 2) | (g >> 4));
    blue = static_cast<uint8_t>((b << 3) | (b >> 2));
  } else {
    red = static_cast<uint8_t>(pixel >> 16);
    green = static_cast<uint8_t>(pixel >> 8);
    blue = static_cast<uint8_t>(pixel);
  }
}

Surface::Surface(int width, int height, int depth)
    : width_(width),
      height_(height),
      depth_(depth),
      bytes_per_pixel_(depth / 8),
      pitch_(width * (depth / 8)) {
  pixels_ = std::make_shared<Bytes>(static_cast<size_t>(pitch_) * height_);
}

namespace {

constexpr uintptr_t kLine = 64;

uint8_t* FirstLine(uint8_t* block) {
  return block + (kLine - reinterpret_cast<uintptr_t>(block) % kLine) % kLine;
}

// The size of the block for `size` bytes of pixels. A size near the top of the range (a negative width or
// height turned unsigned) is refused as a vector would refuse it, instead of wrapping to a short block.
size_t BlockSize(size_t size) {
  if (size > std::numeric_limits<size_t>::max() / 2) throw std::length_error("surface too large");
  return size + kLine;
}

}  // namespace

Surface::Bytes::Bytes(size_t size)
    : block_(new uint8_t[BlockSize(size)]()), data_(FirstLine(block_.get())), size_(size) {}

Surface::Bytes::Bytes(const Bytes& other)
    : block_(new uint8_t[BlockSize(other.size_)]), data_(FirstLine(block_.get())), size_(other.size_) {
  std::memcpy(data_, other.data_, size_);
}

namespace {

// Raw pixel load and store for B bytes a pixel, little-endian. A 32-bit store keeps the fourth byte zero.
template <int B>
inline uint32_t Load(const uint8_t* p) {
  if constexpr (B == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (B == 3) {
    return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
  } else {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int B>
inline void Store(uint8_t* p, uint32_t v) {
  if constexpr (B == 2) {
    const uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (B == 3) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  } else {
    const uint32_t w = v & 0x00FFFFFF;
    std::memcpy(p, &w, 4);
  }
}

}  // namespace

uint32_t Surface::ReadPixel(int x, int y) const {
  const uint8_t* p = Row(y) + x * bytes_per_pixel_;
  switch (bytes_per_pixel_) {
    case 2:
      return Load<2>(p);
    case 3:
      return Load<3>(p);
    default:
      return Load<4>(p);
  }
}

void Surface::WritePixel(int x, int y, uint32_t pixel) {
  uint8_t* p = Row(y) + x * bytes_per_pixel_;
  switch (bytes_per_pixel_) {
    case 2:
      return Store<2>(p, pixel);
    case 3:
      return Store<3>(p, pixel);
    default:
      return Store<4>(p, pixel);
  }
}

void Surface::SwapPixels(Surface& other) {
  pixels_.swap(other.pixels_);
}

void Surface::CopyPixels(const Surface& from) {
  if (from.width_ != width_ || from.height_ != height_ || from.depth_ != depth_) return;
  if (pixels_ == from.pixels_) return;
  if (pixels_.use_count() == 1) spare_.buffer = std::move(pixels_);
  pixels_ = from.pixels_;
}

void Surface::Unshare() {
  Buffer& spare = spare_.buffer;
  if (spare && spare.use_count() == 1 && spare->size() == pixels_->size()) {
    std::memcpy(spare->data(), pixels_->data(), pixels_->size());
    pixels_ = std::move(spare);
  } else {
    pixels_ = std::make_shared<Bytes>(*pixels_);
  }
}

namespace {

// One copy after clipping: destination columns [dx0, dx1) and rows [dy0, dy1), counted from the
// destination rectangle's corner, with the source column of every destination column in `sx`.
struct CopyPlan {
  int64_t dw, dh, sw, sh;
  int64_t dst_left, dst_top, src_left, src_top;
  int64_t dx0, dx1, dy0, dy1;  // offsets from the destination rectangle's corner, up to 2^32
  std::vector<int> sx;         // source column for destination column dx0 + i
};

// The source coordinate a destination offset maps to (nearest neighbour: the left/top sample).
// Extreme rectangles from a damaged file must not overflow, so products that could leave 64 bits are
// computed in 128 (a slow library division, kept off the common paths). An unscaled copy, by far the
// most common, needs no division at all.
inline int64_t SourceOf(int64_t d, int64_t s_size, int64_t d_size) {
  if (s_size == d_size) return d;
  constexpr int64_t kSmall = int64_t{1} << 31;
  if (d > -kSmall && d < kSmall && s_size > -kSmall && s_size < kSmall) return d * s_size / d_size;
  return static_cast<int64_t>(static_cast<__int128>(d) * s_size / d_size);
}

// The offsets [lo, hi) of a destination span of d_size, starting at d_start, that land inside
// [0, d_limit) and whose source (s_start + offset * s_size / d_size) lands inside [0, s_limit).
// The source mapping is monotonic, so the valid offsets form one range.
std::pair<int64_t, int64_t> ClipSpan(int64_t d_start, int64_t d_size, int64_t d_limit, int64_t s_start,
                                     int64_t s_size, int64_t s_limit) {
  int64_t lo = std::max<int64_t>(0, -d_start);
  int64_t hi = std::min<int64_t>(d_size, d_limit - d_start);
  if (lo >= hi) return {0, 0};
  // Binary searches on the monotonic source mapping.
  auto first_with = [&](auto pred) {
    int64_t a = lo, b = hi;
    while (a < b) {
      const int64_t m = a + (b - a) / 2;
      if (pred(s_start + SourceOf(m, s_size, d_size))) {
        b = m;
      } else {
        a = m + 1;
      }
    }
    return a;
  };
  const int64_t new_lo = first_with([](int64_t s) { return s >= 0; });
  const int64_t new_hi = first_with([&](int64_t s) { return s >= s_limit; });
  return {new_lo, std::max(new_lo, new_hi)};
}

// ---- Row kernels -----------------------------------------------------------------------------------
// Two operations carry nearly every frame: a row copied leaving out the key (the page-text layer, a keyed
// picture) and a row whose pixels are each written twice (a 320 x 240 picture on the 640 x 480 screen).
// Each has a portable version and, on x86, a vector version chosen when the processor has it; all give
// the same bytes.

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

#if CORV_SURFACE_X86

inline __m128i Load128(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store128(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// A pshufb control as a vector: byte j takes byte index[j] of the source (-1: zero).
inline __m128i Control(const std::array<int8_t, 16>& index) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(index.data()));
}

// Three-byte pixels p..p+3 of a 16-byte load (from its first byte), widened to four 32-bit lanes.
constexpr std::array<int8_t, 16> kWiden24 = {0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1};
// The same for a load made four bytes early.
constexpr std::array<int8_t, 16> kWiden24Late = {4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1};

// Eight three-byte pixels, doubled, as three 16-byte parts read from loads at bytes 0, 4 and 8.
constexpr std::array<int8_t, 16> Double24(int part) {
  std::array<int8_t, 16> index{};
  for (int j = 0; j < 16; ++j) {
    const int out = 16 * part + j;
    index[j] = static_cast<int8_t>(3 * (out / 6) + out % 3 - 4 * part);
  }
  return index;
}

// Keyed rows of 2- and 4-byte pixels, 32 bytes a step; a step that holds no key is stored as it is,
// one that holds only the key is passed over.
__attribute__((target("avx2"))) void CopyRowKeyed16Avx2(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  const __m256i kv = _mm256_set1_epi16(static_cast<int16_t>(key));
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i));
    const __m256i keep = _mm256_cmpeq_epi16(v, kv);
    const int bits = _mm256_movemask_epi8(keep);
    if (bits == -1) continue;
    __m256i* to = reinterpret_cast<__m256i*>(d + 2 * i);
    _mm256_storeu_si256(to, bits == 0 ? v : _mm256_blendv_epi8(v, _mm256_loadu_si256(to), keep));
  }
  CopyRowKeyed<2>(d + 2 * i, s + 2 * i, n - i, key);
}

__attribute__((target("avx2"))) void CopyRowKeyed32Avx2(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  const __m256i kv = _mm256_set1_epi32(static_cast<int32_t>(key));
  const __m256i low = _mm256_set1_epi32(0xFFFFFF);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
    const __m256i keep = _mm256_cmpeq_epi32(v, kv);
    const int bits = _mm256_movemask_epi8(keep);
    if (bits == -1) continue;
    __m256i* to = reinterpret_cast<__m256i*>(d + 4 * i);
    const __m256i pixels = _mm256_and_si256(v, low);
    _mm256_storeu_si256(to, bits == 0 ? pixels : _mm256_blendv_epi8(pixels, _mm256_loadu_si256(to), keep));
  }
  CopyRowKeyed<4>(d + 4 * i, s + 4 * i, n - i, key);
}

// One byte per pixel, 0xFF where it equals the key, for the sixteen 3-byte pixels at `from`: the pixels
// are widened to 32-bit lanes, compared, and the results narrowed.
__attribute__((target("avx2"))) inline __m128i KeyFlags24(const uint8_t* from, __m128i kv, __m128i widen) {
  const __m128i p0 = _mm_shuffle_epi8(Load128(from), widen);
  const __m128i p1 = _mm_shuffle_epi8(Load128(from + 12), widen);
  const __m128i p2 = _mm_shuffle_epi8(Load128(from + 24), widen);
  const __m128i p3 = _mm_shuffle_epi8(_mm_srli_si128(Load128(from + 32), 4), widen);
  return _mm_packs_epi16(_mm_packs_epi32(_mm_cmpeq_epi32(p0, kv), _mm_cmpeq_epi32(p1, kv)),
                         _mm_packs_epi32(_mm_cmpeq_epi32(p2, kv), _mm_cmpeq_epi32(p3, kv)));
}

__attribute__((target("avx2"))) inline __m256i Load256(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__attribute__((target("avx2"))) inline void Store256(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Pixels 4k..4k+3 and 16+4k..16+4k+3 of the 32 three-byte pixels at `from`, compared with the key in
// 32-bit lanes: the low half of the result holds the first four, the high half the others. The last
// group's high half is loaded four bytes early, so that nothing past the 96 bytes is read.
__attribute__((target("avx2"))) inline __m256i KeyLanes24(const uint8_t* from, int k, __m256i widen,
                                                          __m256i widen_late, __m256i kv) {
  const bool last = k == 3;
  const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(from + 12 * k)),
                                            Load128(from + 48 + 12 * k - (last ? 4 : 0)), 1);
  return _mm256_cmpeq_epi32(_mm256_shuffle_epi8(v, last ? widen_late : widen), kv);
}

// One byte per pixel, 0xFF where it equals the key, in pixel order, for the 32 three-byte pixels (96
// bytes) at `from`. The packs work within halves, so each half gathers sixteen pixels in order.
__attribute__((target("avx2"))) inline __m256i KeyFlags24x32(const uint8_t* from, __m256i kv, __m256i widen,
                                                             __m256i widen_late) {
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
__attribute__((target("avx2"))) void CopyRowKeyed24Avx2(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
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

// Doubled rows leaving out the key, in one pass: each step doubles the source pixels and their key flags
// alike, passes over a step that is all key, stores one that holds no key as it is and blends the rest
// with what the destination holds.
__attribute__((target("avx2"))) inline void StoreKeyed(uint8_t* to, __m256i pixels, __m256i keep, int bits) {
  __m256i* p = reinterpret_cast<__m256i*>(to);
  _mm256_storeu_si256(p, bits == 0 ? pixels : _mm256_blendv_epi8(pixels, _mm256_loadu_si256(p), keep));
}

// Pixels doubled within each 128-bit lane (lo: the low halves of both lanes, hi: the high halves), and
// their flags likewise, put back in order as 64 destination bytes at `at` of each row given.
__attribute__((target("avx2"))) inline void StoreDoubled(uint8_t* d, uint8_t* d2, int at, __m256i lo,
                                                         __m256i hi, __m256i keep_lo, __m256i keep_hi,
                                                         int bits) {
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

__attribute__((target("avx2"))) void DoubleRowKeyed16Avx2(uint8_t* d, uint8_t* d2, const uint8_t* s,
                                                          int n_src, uint32_t key) {
  const __m256i kv = _mm256_set1_epi16(static_cast<int16_t>(key));
  int i = 0;
  for (; i + 16 <= n_src; i += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 2 * i));
    const __m256i keep = _mm256_cmpeq_epi16(v, kv);
    const int bits = _mm256_movemask_epi8(keep);
    if (bits == -1) continue;
    // Within each 128-bit lane: pixels 0-3 and 4-7 doubled.
    StoreDoubled(d, d2, 4 * i, _mm256_unpacklo_epi16(v, v), _mm256_unpackhi_epi16(v, v),
                 _mm256_unpacklo_epi16(keep, keep), _mm256_unpackhi_epi16(keep, keep), bits);
  }
  DoubleRowKeyed<2>(d + 4 * i, d2 ? d2 + 4 * i : nullptr, s + 2 * i, n_src - i, key);
}

__attribute__((target("avx2"))) void DoubleRowKeyed32Avx2(uint8_t* d, uint8_t* d2, const uint8_t* s,
                                                          int n_src, uint32_t key) {
  const __m256i kv = _mm256_set1_epi32(static_cast<int32_t>(key));
  const __m256i low = _mm256_set1_epi32(0xFFFFFF);
  int i = 0;
  for (; i + 8 <= n_src; i += 8) {
    const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
    const __m256i keep = _mm256_cmpeq_epi32(raw, kv);
    const int bits = _mm256_movemask_epi8(keep);
    if (bits == -1) continue;
    const __m256i v = _mm256_and_si256(raw, low);
    StoreDoubled(d, d2, 8 * i, _mm256_unpacklo_epi32(v, v), _mm256_unpackhi_epi32(v, v),
                 _mm256_unpacklo_epi32(keep, keep), _mm256_unpackhi_epi32(keep, keep), bits);
  }
  DoubleRowKeyed<4>(d + 8 * i, d2 ? d2 + 8 * i : nullptr, s + 4 * i, n_src - i, key);
}

// One flag byte per pixel (16 pixels) spread over the six destination bytes of its doubled pixel: part
// 0 to 5 of the 96 bytes.
constexpr std::array<int8_t, 16> SpreadDoubled24(int part) {
  std::array<int8_t, 16> index{};
  for (int j = 0; j < 16; ++j) index[j] = static_cast<int8_t>((16 * part + j) / 6);
  return index;
}

__attribute__((target("avx2"))) inline void StoreKeyed128(uint8_t* to, __m128i pixels, __m128i keep,
                                                          bool blend) {
  Store128(to, blend ? _mm_blendv_epi8(pixels, Load128(to), keep) : pixels);
}

// Sixteen 3-byte source pixels (48 bytes) a step become 96 destination bytes.
__attribute__((target("avx2"))) void DoubleRowKeyed24Avx2(uint8_t* d, uint8_t* d2, const uint8_t* s,
                                                          int n_src, uint32_t key) {
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

#endif  // CORV_SURFACE_X86

using KeyedRowFn = void (*)(uint8_t*, const uint8_t*, int, uint32_t);
using DoubleKeyedRowFn = void (*)(uint8_t*, uint8_t*, const uint8_t*, int, uint32_t);
using DoubleRowFn = void (*)(uint8_t*, const uint8_t*, int);

// The row kernels for B-byte pixels: the vector ones where the processor has them, unless the portable
// ones are asked for.
template <int B>
struct RowKernels {
  KeyedRowFn keyed = CopyRowKeyed<B>;
  DoubleRowFn doubled = DoubleRow<B>;
  DoubleKeyedRowFn doubled_keyed = DoubleRowKeyed<B>;
  explicit RowKernels(RowCode code) {
    if (code == RowCode::kPortable) return;
#if CORV_SURFACE_X86
    const bool avx2 = __builtin_cpu_supports("avx2");
    if constexpr (B == 2) {
      doubled = DoubleRow16Sse2;
      if (avx2) keyed = CopyRowKeyed16Avx2, doubled_keyed = DoubleRowKeyed16Avx2;
    } else if constexpr (B == 4) {
      doubled = DoubleRow32Sse2;
      if (avx2) keyed = CopyRowKeyed32Avx2, doubled_keyed = DoubleRowKeyed32Avx2;
    } else if (__builtin_cpu_supports("ssse3")) {
      doubled = DoubleRow24Ssse3;
      if (avx2) keyed = CopyRowKeyed24Avx2, doubled_keyed = DoubleRowKeyed24Avx2;
    }
#endif
  }
};

template <int B>
void ScaleRow(uint8_t* d, const uint8_t* s, const int* sx, int n, bool keyed, uint32_t key) {
  for (int i = 0; i < n; ++i) {
    const uint32_t v = Load<B>(s + B * sx[i]);
    if (keyed && v == key) continue;
    Store<B>(d + B * i, v);
  }
}

template <int B>
void RunCopy(Surface& dst, const Surface& src, const CopyPlan& p, bool keyed, uint32_t key, RowCode code) {
  const RowKernels<B> kernels(code);
  const int n = static_cast<int>(p.dx1 - p.dx0);
  const bool same_size = p.sw == p.dw;
  const int first_sx = p.sx.front();
  const bool doubled = p.dw == 2 * p.sw && (p.dx0 % 2) == 0 && (n % 2) == 0;
  int64_t previous_sy = -1;
  uint8_t* previous_row = nullptr;
  for (int64_t dy = p.dy0; dy < p.dy1; ++dy) {
    const int sy = static_cast<int>(p.src_top + SourceOf(dy, p.sh, p.dh));
    uint8_t* d = dst.Row(static_cast<int>(p.dst_top + dy)) + static_cast<size_t>(p.dst_left + p.dx0) * B;
    const uint8_t* s = src.Row(sy) + static_cast<size_t>(first_sx) * B;
    if (same_size) {
      if (keyed) {
        kernels.keyed(d, s, n, key);
      } else {
        std::memcpy(d, s, static_cast<size_t>(n) * B);
      }
    } else if (!keyed && sy == previous_sy) {
      std::memcpy(d, previous_row, static_cast<size_t>(n) * B);  // a repeated row of an enlargement
    } else if (doubled) {
      if (keyed) {
        // The next destination row shows the same source row: both are written in one pass.
        uint8_t* d2 = nullptr;
        if (dy + 1 < p.dy1 && p.src_top + SourceOf(dy + 1, p.sh, p.dh) == sy) {
          ++dy;
          d2 = dst.Row(static_cast<int>(p.dst_top + dy)) + static_cast<size_t>(p.dst_left + p.dx0) * B;
        }
        kernels.doubled_keyed(d, d2, s, n / 2, key);
      } else {
        kernels.doubled(d, s, n / 2);
      }
    } else {
      ScaleRow<B>(d, src.Row(sy), p.sx.data(), n, keyed, key);
    }
    previous_sy = sy;
    previous_row = d;
  }
}

}  // namespace

bool Blit(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect, UseKey key,
          RowCode code) {
  if (dst.Depth() != src.Depth() || src.Empty() || dst.Empty()) return false;
  CopyPlan p;
  p.dw = int64_t{dst_rect.right} - dst_rect.left;
  p.dh = int64_t{dst_rect.bottom} - dst_rect.top;
  p.sw = int64_t{src_rect.right} - src_rect.left;
  p.sh = int64_t{src_rect.bottom} - src_rect.top;
  if (p.dw <= 0 || p.dh <= 0 || p.sw <= 0 || p.sh <= 0) return false;
  const auto [x0, x1] = ClipSpan(dst_rect.left, p.dw, dst.Width(), src_rect.left, p.sw, src.Width());
  const auto [y0, y1] = ClipSpan(dst_rect.top, p.dh, dst.Height(), src_rect.top, p.sh, src.Height());
  if (x0 >= x1 || y0 >= y1) return true;  // nothing of it lands on either surface
  p.dst_left = dst_rect.left;
  p.dst_top = dst_rect.top;
  p.src_left = src_rect.left;
  p.src_top = src_rect.top;
  p.dx0 = x0;
  p.dx1 = x1;
  p.dy0 = y0;
  p.dy1 = y1;
  p.sx.resize(static_cast<size_t>(x1 - x0));
  for (int64_t dx = x0; dx < x1; ++dx)
    p.sx[dx - x0] = static_cast<int>(src_rect.left + SourceOf(dx, p.sw, p.dw));

  const bool keyed = key == UseKey::kYes && src.colour_key.has_value();
  const uint32_t key_value = keyed ? *src.colour_key : 0;
  const Surface* from = &src;
  Surface copy;
  if (&src == &dst) {
    if (!keyed && p.sw == p.dw && p.sh == p.dh) {
      // A plain move within one surface: rows in the order that never reads an overwritten row.
      const int bpp = dst.BytesPerPixel();
      const size_t bytes = static_cast<size_t>(p.dx1 - p.dx0) * bpp;
      const int sx0 = p.sx.front();
      const int64_t count = p.dy1 - p.dy0;
      const bool upwards = p.dst_top <= p.src_top;
      for (int64_t i = 0; i < count; ++i) {
        const int64_t dy = upwards ? p.dy0 + i : p.dy1 - 1 - i;
        std::memmove(
            dst.Row(static_cast<int>(p.dst_top + dy)) + static_cast<size_t>(p.dst_left + p.dx0) * bpp,
            dst.Row(static_cast<int>(p.src_top + dy)) + static_cast<size_t>(sx0) * bpp, bytes);
      }
      return true;
    }
    copy = src;  // other copies within one surface read from a snapshot
    from = &copy;
  }
  switch (dst.BytesPerPixel()) {
    case 2:
      RunCopy<2>(dst, *from, p, keyed, key_value, code);
      break;
    case 3:
      RunCopy<3>(dst, *from, p, keyed, key_value, code);
      break;
    default:
      RunCopy<4>(dst, *from, p, keyed, key_value, code);
      break;
  }
  return true;
}

namespace {

void FillSpan(Surface& s, int x1, int x2, int y, uint32_t pixel) {
  if (y < 0 || y >= s.Height()) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, s.Width());
  if (x1 >= x2) return;
  uint8_t* row = s.Row(y);
  switch (s.BytesPerPixel()) {
    case 2:
      for (int x = x1; x < x2; ++x) Store<2>(row + 2 * x, pixel);
      break;
    case 3:
      for (int x = x1; x < x2; ++x) Store<3>(row + 3 * x, pixel);
      break;
    default:
      for (int x = x1; x < x2; ++x) Store<4>(row + 4 * x, pixel);
      break;
  }
}

void PutPixel(Surface& s, int x, int y, uint32_t pixel) {
  if (x >= 0 && y >= 0 && x < s.Width() && y < s.Height()) s.WritePixel(x, y, pixel);
}

}  // namespace

void DrawBox(Surface& surface, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 == x1 || y2 == y1) return;
  const uint32_t fill = MapColour(surface.Depth(), surface.fill_colour);
  const uint32_t outline = MapColour(surface.Depth(), surface.fore_colour);
  const int top = std::max(y1, 0), bottom = std::min(y2, surface.Height());
  for (int y = top; y < bottom; ++y) {
    if (y == y1 || y == y2 - 1) {
      FillSpan(surface, x1, x2, y, outline);
    } else {
      FillSpan(surface, x1, x2, y, fill);
      PutPixel(surface, x1, y, outline);
      PutPixel(surface, x2 - 1, y, outline);
    }
  }
}

void DrawLine(Surface& surface, int x1, int y1, int x2, int y2) {
  const uint32_t pixel = MapColour(surface.Depth(), surface.fore_colour);
  if (y1 == y2) {  // the common horizontal rule: one span
    FillSpan(surface, x1 <= x2 ? x1 : x2 + 1, x1 <= x2 ? x2 : x1 + 1, y1, pixel);
    return;
  }
  int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  int x = x1, y = y1;
  while (!(x == x2 && y == y2)) {
    PutPixel(surface, x, y, pixel);
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

bool DrawText(Surface& surface, GlyphSource& glyphs, int x, int y, const std::u32string& text) {
  if (text.empty()) return true;
  const GlyphMask& mask = glyphs.Render(text, surface.font);
  if (mask.width == 0) return false;
  const uint32_t pixel = MapColour(surface.Depth(), surface.fore_colour);
  for (int my = 0; my < mask.height; ++my) {
    const uint8_t* bits = mask.bits.data() + static_cast<size_t>(my) * mask.width;
    for (int mx = 0; mx < mask.width; ++mx) {
      if (bits[mx]) PutPixel(surface, x + mx, y + my, pixel);
    }
  }
  return true;
}

}  // namespace corv
