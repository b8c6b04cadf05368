// The real glyph source: SDL_ttf over a Japanese Mincho face found through fontconfig.
//
// Text is rendered with TTF_RenderUTF8_Solid: one colour, no antialiasing, no background. That keeps
// page text drawn onto the colour-keyed layer free of fringe pixels that would miss the key.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/glyphs.h"
#include "platform/sdl_ptrs.h"

namespace corv {
namespace {

// A character every Japanese face has, and one of the common kanji: the test for Japanese coverage.
constexpr FcChar32 kProbeKana = 0x3042;   // あ
constexpr FcChar32 kProbeKanji = 0x6F22;  // 漢

using FcPatternPtr = Owned<FcPattern, FcPatternDestroy>;
using FcConfigPtr = Owned<FcConfig, FcConfigDestroy>;
using TtfFontPtr = Owned<TTF_Font, TTF_CloseFont>;

// Holds one reference to SDL_ttf's library state for as long as a glyph source lives.
class TtfLibrary {
 public:
  TtfLibrary() : ok_(TTF_Init() == 0) {}
  ~TtfLibrary() {
    if (ok_) TTF_Quit();
  }
  TtfLibrary(const TtfLibrary&) = delete;
  TtfLibrary& operator=(const TtfLibrary&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// The file of the best face fontconfig offers for `pattern_text`, if it covers Japanese.
std::string MatchJapaneseFace(FcConfig* config, const char* pattern_text) {
  FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(pattern_text)));
  if (!pattern) return "";
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  FcPatternPtr match(FcFontMatch(config, pattern.get(), &result));
  if (!match || result != FcResultMatch) return "";
  FcCharSet* charset = nullptr;
  FcChar8* file = nullptr;
  if (FcPatternGetCharSet(match.get(), FC_CHARSET, 0, &charset) != FcResultMatch ||
      FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
    return "";
  }
  if (!FcCharSetHasChar(charset, kProbeKana) || !FcCharSetHasChar(charset, kProbeKanji)) return "";
  return reinterpret_cast<const char*>(file);
}

// IPA Mincho stands in for the games' Mincho face; any face with Japanese coverage will do after it.
std::string FindMinchoFace() {
  FcConfigPtr config(FcInitLoadConfigAndFonts());
  if (!config) return "";
  for (const char* pattern : {"IPAMincho", "IPA明朝", ":lang=ja:style=Regular", ":lang=ja"}) {
    std::string file = MatchJapaneseFace(config.get(), pattern);
    if (!file.empty()) return file;
  }
  return "";
}

std::string ToUtf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class TrueTypeGlyphSource final : public GlyphSource {
 public:
  explicit TrueTypeGlyphSource(std::string path) : path_(std::move(path)) {}

  bool ok() const { return library_.ok(); }

  // Opens the face at 12 points to prove the file is usable.
  bool Probe(std::string* error) {
    if (!library_.ok()) {
      if (error) *error = std::string("cannot start the font renderer: ") + TTF_GetError();
      return false;
    }
    if (!Font(PixelSize(12.0), false, false)) {
      if (error) *error = "cannot open the font " + path_ + ": " + TTF_GetError();
      return false;
    }
    return true;
  }

  // The mask stays valid until the next call.
  const GlyphMask& Render(const std::u32string& text, const FontSpec& font) override {
    const int px = PixelSize(font.size_pt);
    const auto key = std::make_tuple(text, px, font.bold, font.italic);
    if (auto it = masks_.find(key); it != masks_.end()) return it->second;
    if (masks_.size() >= kMaxCachedMasks) masks_.clear();
    return masks_.emplace(key, Rasterise(text, px, font.bold, font.italic)).first->second;
  }

 private:
  static constexpr size_t kMaxCachedMasks = 4096;

  // Points at 96 dots an inch; SDL_ttf's point size at its default 72 dpi is the em in pixels.
  static int PixelSize(double size_pt) {
    const double px = std::lround(size_pt * 96.0 / 72.0);
    return static_cast<int>(std::clamp(px, 1.0, 1000.0));
  }

  TTF_Font* Font(int px, bool bold, bool italic) {
    const auto key = std::make_tuple(px, bold, italic);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second.get();
    TtfFontPtr font(TTF_OpenFont(path_.c_str(), px));
    if (!font) return nullptr;
    TTF_SetFontStyle(font.get(), (bold ? TTF_STYLE_BOLD : 0) | (italic ? TTF_STYLE_ITALIC : 0));
    TTF_SetFontHinting(font.get(), TTF_HINTING_MONO);
    return fonts_.emplace(key, std::move(font)).first->second.get();
  }

  GlyphMask Rasterise(const std::u32string& text, int px, bool bold, bool italic) {
    GlyphMask mask;
    TTF_Font* font = Font(px, bold, italic);
    if (!font || text.empty()) return mask;
    const SDL_Color white{255, 255, 255, 255};
    SdlSurfacePtr rendered(TTF_RenderUTF8_Solid(font, ToUtf8(text).c_str(), white));
    if (!rendered || SDL_LockSurface(rendered.get()) != 0) return mask;
    // An 8-bit palettised surface: index 0 is the background, anything else is ink.
    mask.width = rendered->w;
    mask.height = rendered->h;
    mask.bits.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    const auto* pixels = static_cast<const uint8_t*>(rendered->pixels);
    for (int y = 0; y < mask.height; ++y) {
      const uint8_t* row = pixels + static_cast<size_t>(y) * rendered->pitch;
      for (int x = 0; x < mask.width; ++x) mask.bits[static_cast<size_t>(y) * mask.width + x] = row[x] != 0;
    }
    SDL_UnlockSurface(rendered.get());
    return mask;
  }

  TtfLibrary library_;  // first member: opened before, closed after every font
  std::string path_;
  std::map<std::tuple<int, bool, bool>, TtfFontPtr> fonts_;
  std::map<std::tuple<std::u32string, int, bool, bool>, GlyphMask> masks_;
};

}  // namespace

std::unique_ptr<GlyphSource> MakeTrueTypeGlyphSource(std::string* error, const std::string& font_path) {
  std::string path = font_path.empty() ? FindMinchoFace() : font_path;
  if (path.empty()) {
    if (error) *error = "no font with Japanese characters was found (install fonts-ipafont-mincho)";
    return nullptr;
  }
  auto source = std::make_unique<TrueTypeGlyphSource>(path);
  if (!source->Probe(error)) return nullptr;
  return source;
}

}  // namespace corv
