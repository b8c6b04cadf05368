// Copies between surfaces: clipping of both rectangles, nearest-neighbour scaling, the colour key, and
// the row loops of the instruction set chosen for the copy.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/blit_rows.h"
#include "platform/pixel_access.h"
#include "platform/surface.h"

namespace corv {
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
// most common, needs no division at all, and a doubled one (a half-size picture over the whole screen)
// only a halving: d * s / 2s is d / 2, truncated the same way.
inline int64_t SourceOf(int64_t d, int64_t s_size, int64_t d_size) {
  if (s_size == d_size) return d;
  if (s_size > 0 && d_size == 2 * s_size) return d / 2;
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

template <int B>
void ScaleRow(uint8_t* d, const uint8_t* s, const int* sx, int n, bool keyed, uint32_t key) {
  for (int i = 0; i < n; ++i) {
    const uint32_t v = Load<B>(s + B * sx[i]);
    if (keyed && v == key) continue;
    Store<B>(d + B * i, v);
  }
}

// The first pixel a copy writes on destination row dy (counted from the destination rectangle), the
// row's columns it writes being named to the surface.
template <int B>
uint8_t* DestinationRow(Surface& dst, const CopyPlan& p, int64_t dy) {
  const int left = static_cast<int>(p.dst_left + p.dx0), right = static_cast<int>(p.dst_left + p.dx1);
  return dst.Span(static_cast<int>(p.dst_top + dy), left, right) + static_cast<size_t>(left) * B;
}

template <int B>
void RunCopy(Surface& dst, const Surface& src, const CopyPlan& p, bool keyed, uint32_t key, Simd simd) {
  const RowLoops& kernels = BlitRowsFor(simd).For<B>();
  const int n = static_cast<int>(p.dx1 - p.dx0);
  const bool same_size = p.sw == p.dw;
  const int first_sx = p.sx.front();
  const bool doubled = p.dw == 2 * p.sw && (p.dx0 % 2) == 0 && (n % 2) == 0;
  int64_t previous_sy = -1;
  uint8_t* previous_row = nullptr;
  for (int64_t dy = p.dy0; dy < p.dy1; ++dy) {
    const int sy = static_cast<int>(p.src_top + SourceOf(dy, p.sh, p.dh));
    uint8_t* d = DestinationRow<B>(dst, p, dy);
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
          d2 = DestinationRow<B>(dst, p, dy);
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
          Simd simd) {
  if (dst.Depth() != src.Depth() || src.Empty() || dst.Empty() || !SimdAvailable(simd)) return false;
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
      RunCopy<2>(dst, *from, p, keyed, key_value, simd);
      break;
    case 3:
      RunCopy<3>(dst, *from, p, keyed, key_value, simd);
      break;
    default:
      RunCopy<4>(dst, *from, p, keyed, key_value, simd);
      break;
  }
  return true;
}

}  // namespace corv
