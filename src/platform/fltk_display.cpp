// The display connection of the FLTK windows, opened on first use so that a player without windows never
// touches the window system.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/fltk_support.h"
#include "platform/options_view.h"
#include "platform/owned.h"

namespace corv {
namespace {
constexpr Fl_Font kDialogFont = FL_FREE_FONT;

// The family of the sans-serif face fontconfig prefers for Japanese text, taken only from faces that
// cover Japanese: Xft draws a character a face lacks as an empty box and never borrows it from another
// face, so a Latin face chosen for want of the asked one would box every kana and kanji. When no sans-serif
// face covers Japanese the best face that does (a Mincho) is taken; "sans" when none does at all.
std::string JapaneseDialogFamily() {
  Owned<FcPattern, FcPatternDestroy> pattern(
      FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja")));
  if (!pattern) return "sans";
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  Owned<FcFontSet, FcFontSetDestroy> fonts(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    FcLangSet* languages = nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetLangSet(fonts->fonts[i], FC_LANG, 0, &languages) == FcResultMatch &&
        FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual &&
        FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch) {
      return reinterpret_cast<const char*>(family);
    }
  }
  return "sans";
}
}  // namespace

bool OpenFltkDisplay() {
  if (fl_display != nullptr) return true;
  // FLTK ends the process when it cannot open the display, so try the connection first and hand it over.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  // Xft names: the leading space marks the regular style. FLTK keeps the pointer, so the name lives on.
  static const std::string name = " " + JapaneseDialogFamily();
  Fl::set_font(kDialogFont, name.c_str());
  Fl::visible_focus(1);
  return true;
}

void ShowNamedWindow(Fl_Window& window) {
  window.show();
  const char* title = window.label();
  if (title == nullptr || fl_display == nullptr) return;
  const Atom utf8 = XInternAtom(fl_display, "UTF8_STRING", False);
  const auto* bytes = reinterpret_cast<const unsigned char*>(title);
  const int length = static_cast<int>(std::strlen(title));
  for (Atom property : {XA_WM_NAME, XA_WM_ICON_NAME}) {
    XChangeProperty(fl_display, fl_xid(&window), property, utf8, 8, PropModeReplace, bytes, length);
  }
  XFlush(fl_display);
}

Fl_Font DialogFont() {
  return kDialogFont;
}

std::u32string MissingDialogGlyphs(const std::string& utf8) {
  if (!OpenFltkDisplay()) return U"(no display)";
  // The face Xft gives for the registered name, opened as FLTK opens it (the name after its style mark).
  const char* name = Fl::get_font(DialogFont());
  XftFont* font = XftFontOpen(fl_display, fl_screen, XFT_FAMILY, XftTypeString, name + 1, XFT_PIXEL_SIZE,
                              XftTypeDouble, static_cast<double>(kDialogFontSize), nullptr);
  std::u32string missing;
  const char* end = utf8.data() + utf8.size();
  for (const char* p = utf8.data(); p < end;) {
    int length = 0;
    const unsigned code = fl_utf8decode(p, end, &length);
    p += length > 0 ? length : 1;
    if (font == nullptr || !XftCharExists(fl_display, font, code)) missing += static_cast<char32_t>(code);
  }
  if (font != nullptr) XftFontClose(fl_display, font);
  return missing;
}

bool WindowSystemAvailable() {
  return OpenFltkDisplay();
}

}  // namespace corv
