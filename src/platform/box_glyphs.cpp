#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/glyphs.h"

namespace corv {
namespace {

// Every non-blank character becomes a filled square one em wide (the font size in pixels at 96 dpi),
// inset by one pixel, laid out at one em per character: text lands where a real face would put it.
class BoxGlyphSource final : public GlyphSource {
 public:
  const GlyphMask& Render(const std::u32string& text, const FontSpec& font) override {
    auto key = std::make_tuple(text, font.size_pt, font.bold);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    const int em = std::max(1, static_cast<int>(std::lround(font.size_pt * 96.0 / 72.0)));
    GlyphMask mask;
    mask.width = em * static_cast<int>(text.size());
    mask.height = em;
    mask.bits.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == U' ' || text[i] == U'\u3000') continue;
      for (int y = 1; y < em - 1; ++y) {
        for (int x = 1; x < em - 1; ++x) mask.bits[static_cast<size_t>(y) * mask.width + i * em + x] = 1;
      }
    }
    return cache_.emplace(key, std::move(mask)).first->second;
  }

 private:
  std::map<std::tuple<std::u32string, double, bool>, GlyphMask> cache_;
};

}  // namespace

std::unique_ptr<GlyphSource> MakeBoxGlyphSource() {
  return std::make_unique<BoxGlyphSource>();
}

}  // namespace corv
