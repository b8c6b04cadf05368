// Glyph rendering for text drawing: a string rendered at a font size and weight into a coverage mask
// without antialiasing. The real source uses SDL_ttf over the IPA Mincho face found through fontconfig;
// tests may use a source that draws plain boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace corv {

// A one-bit-per-pixel mask (stored a byte per pixel, 0 or 1), top-left at the text's origin.
struct GlyphMask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // Renders text with the given font attributes; an empty mask when nothing can be drawn.
  virtual const GlyphMask& Render(const std::u32string& text, const FontSpec& font) = 0;
};

// The real glyph source: the Japanese Mincho face (IPA Mincho standing in for "ＭＳ 明朝"), found
// through fontconfig or given by path. Returns nullptr (and says why in *error) when no face is found.
std::unique_ptr<GlyphSource> MakeTrueTypeGlyphSource(std::string* error, const std::string& font_path = "");

// A glyph source that draws every non-blank character as a filled cell one em wide, for tests that
// check where text lands without depending on a font's shapes.
std::unique_ptr<GlyphSource> MakeBoxGlyphSource();

}  // namespace corv
