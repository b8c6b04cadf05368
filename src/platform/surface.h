// Software drawing surfaces in the display's pixel format, and the drawing operations the player
// calls on them: raw pixel access, copies with and without a source colour key, nearest-neighbour
// scaled copies, boxes, lines and glyph drawing.
//
// Pixel formats, chosen by the colour depth:
//   16: 5:6:5, two bytes a pixel, red in bits 11-15, green 5-10, blue 0-4;
//   24: 8:8:8, three bytes a pixel (blue, green, red in memory order);
//   32: 8:8:8 in the low three bytes of a four-byte pixel; the fourth byte is kept as zero.
// Colours given to the drawing state (fore colour, fill colour) are 0xBBGGRR values; raw pixel values
// and colour keys are in the surface's own format.
//
// Edge convention: rectangles are (left, top, right, bottom) with right and bottom excluded, as for
// copies. A box from (x1, y1) to (x2, y2) fills and outlines columns x1..x2-1 and rows y1..y2-1; a line
// from (x1, y1) to (x2, y2) leaves out its end point. This is the convention of the system the games
// were written for, so a box from (50, 340) to (590, 460) covers columns 50-589 and rows 340-459.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cpu_features.h"
#include "platform/pixel_buffer.h"

namespace corv {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// Converts a 0xBBGGRR colour to a raw pixel value of the given depth (channel truncation, the usual
// conversion of a graphics layer; the player's own shading routines pack colours their own way).
uint32_t MapColour(int depth, uint32_t bgr);

// Converts a raw pixel value of the given depth back to 8-bit red, green and blue, widening 5- and 6-bit
// channels by bit replication (v << 3 | v >> 2, v << 2 | v >> 4).
void UnmapPixel(int depth, uint32_t pixel, uint8_t& red, uint8_t& green, uint8_t& blue);

// Attributes of the one font object: size in points (96 dpi, so 12 points is 16 pixels), bold, italic.
struct FontSpec {
  double size_pt = 12.0;
  bool bold = false;
  bool italic = false;
  bool operator==(const FontSpec&) const = default;
};

class GlyphSource;

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, int depth);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Depth() const { return depth_; }
  int BytesPerPixel() const { return bytes_per_pixel_; }
  int Pitch() const { return pitch_; }
  bool Empty() const { return SizeBytes() == 0; }
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }

  // Copies of a surface share its pixels until one of them is written to: every mutable access first
  // gives the surface a buffer of its own. A whole-frame copy therefore costs nothing until something
  // is drawn, and a frame that was only passed along is known to be unchanged without comparing it.
  // Mutable access names the rows it writes (Span also the columns); a surface that needs a buffer of
  // its own takes one that held an earlier frame of the same line where it can, and copies only the
  // part written since.
  uint8_t* Row(int y) { return Rows(y, y + 1); }
  const uint8_t* Row(int y) const { return Data() + static_cast<size_t>(y) * pitch_; }
  // The first of rows [first, end), all of which may be written through the pointer.
  uint8_t* Rows(int first, int end) {
    if (!pixels_) return nullptr;
    if (pixels_.use_count() > 1) Unshare();
    pixels_->Written(first, end);
    return pixels_->data() + static_cast<size_t>(first) * pitch_;
  }
  // Row y, of which only columns [left, right) may be written through the pointer.
  uint8_t* Span(int y, int left, int right) {
    if (!pixels_) return nullptr;
    if (pixels_.use_count() > 1) Unshare();
    pixels_->Written(y, y + 1, static_cast<size_t>(left) * bytes_per_pixel_,
                     static_cast<size_t>(right) * bytes_per_pixel_);
    return pixels_->data() + static_cast<size_t>(y) * pitch_;
  }
  uint8_t* Data() { return Rows(0, height_); }
  const uint8_t* Data() const { return pixels_ ? pixels_->data() : nullptr; }
  size_t SizeBytes() const { return pixels_ ? pixels_->size() : 0; }

  // Raw pixel access; coordinates must lie inside the surface.
  uint32_t ReadPixel(int x, int y) const;
  void WritePixel(int x, int y, uint32_t pixel);

  // Source colour key: exactly this raw value is transparent when the surface is copied with its key.
  std::optional<uint32_t> colour_key;

  // Drawing state, as a device context keeps it.
  uint32_t fore_colour = 0;  // 0xBBGGRR
  uint32_t fill_colour = 0;  // 0xBBGGRR
  FontSpec font;             // the font last given to this surface

  // Exchanges the pixels of two surfaces of the same size and format (the flip of a flip chain).
  void SwapPixels(Surface& other);

  // Gives this surface the pixels of another of the same size and format (a whole-frame copy that
  // keeps this surface's key and drawing state). Does nothing when the sizes or formats differ.
  void CopyPixels(const Surface& from);

  // True when both surfaces hold the very same pixel buffer, so their pixels are equal.
  bool SharesPixelsWith(const Surface& other) const { return pixels_ && pixels_ == other.pixels_; }

  // The rows in which this surface's pixels may differ from those of `older` (same size and format): none
  // when they share their pixels, the rows written since when these pixels come from older's by writes
  // that were recorded, nullopt when that is not known.
  [[nodiscard]] std::optional<RowSpan> ChangedRowsSince(const Surface& older) const;

 private:
  void Unshare();

  int width_ = 0;
  int height_ = 0;
  int depth_ = 32;
  int bytes_per_pixel_ = 4;
  int pitch_ = 0;
  std::shared_ptr<PixelBlock> pixels_;
  // Where this surface and its copies get and give back pixel buffers.
  std::shared_ptr<PixelPool> pool_;
};

// A run of drawing at another font size: sets the font object's size, and when the run ends puts back
// the size it had (rounded to whole points), clears bold and gives the restored font to `surface`, so a
// menu drawn in its own size leaves the font as the game's text expects it.
class FontSizeScope {
 public:
  FontSizeScope(FontSpec& font, Surface& surface, double size_pt)
      : font_(font), surface_(surface), saved_size_pt_(std::round(font.size_pt)) {
    font_.size_pt = size_pt;
  }
  ~FontSizeScope() {
    font_.bold = false;
    font_.size_pt = saved_size_pt_;
    surface_.font = font_;
  }
  FontSizeScope(const FontSizeScope&) = delete;
  FontSizeScope& operator=(const FontSizeScope&) = delete;

 private:
  FontSpec& font_;
  Surface& surface_;
  double saved_size_pt_;
};

// A frame that a loop draws again on every pass: the pixels of the surface it draws on, then what
// depends only on a small key (a lit row, a blinking marker). Most passes draw what the pass before
// drew. The finished frame is kept with the pixels it was drawn over, and a pass with the same key over
// the same pixels takes the kept frame instead of drawing: no drawing, no copy, and a display that
// still shows that frame recognises it without reading it. The key must stand for everything the
// drawing depends on besides the pixels drawn over.
class KeptFrame {
 public:
  template <class Draw>
  void DrawOn(Surface& target, int key, Draw draw) {
    if (key == key_ && target.SharesPixelsWith(base_)) {
      target.CopyPixels(frame_);
      return;
    }
    base_ = target;
    key_ = key;
    draw(target);
    frame_ = target;
  }
  void Forget() { *this = KeptFrame(); }

 private:
  Surface base_;
  Surface frame_;
  int key_ = 0;
};

enum class UseKey { kNo, kYes };

// Copies src_rect of src onto dst_rect of dst, scaled by nearest neighbour when the sizes differ,
// clipped to both surfaces. With UseKey::kYes, source pixels equal to src.colour_key are left out.
// src and dst may be the same surface (overlapping bands are copied as if through a temporary).
// `simd` picks the row loops (every set gives the same bytes). Returns false when the rectangles are empty,
// the formats differ or `simd` is not available on this processor.
bool Blit(Surface& dst, const Rect& dst_rect, const Surface& src, const Rect& src_rect, UseKey key,
          Simd simd = Simd::kBest);

// Fills and outlines a box from (x1, y1) to (x2, y2), right and bottom excluded: interior in the fill
// colour, outline in the fore colour.
void DrawBox(Surface& surface, int x1, int y1, int x2, int y2);

// Draws a line in the fore colour from (x1, y1) to (x2, y2), the end point excluded.
void DrawLine(Surface& surface, int x1, int y1, int x2, int y2);

// Draws text in the fore colour with the surface's font, the top-left corner of the text's line box at
// (x, y), glyphs without antialiasing and without background. Returns false when no glyphs could be made.
bool DrawText(Surface& surface, GlyphSource& glyphs, int x, int y, const std::u32string& text);

}  // namespace corv
