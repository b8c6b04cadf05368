// What the FLTK windows of the player share: the display connection, the Japanese dialog font and the
// conversion of the program's 0xBBGGRR colours.
#pragma once

#include <FL/Enumerations.H>

#include <cstdint>

class Fl_Window;

namespace corv {

inline constexpr int kDialogFontSize = 12;

// Opens the display connection once and registers the dialog font; false when there is no display.
bool OpenFltkDisplay();

// The font for every caption: a Japanese gothic face (fontconfig falls back to any face with the glyphs).
Fl_Font DialogFont();

// Shows the window and labels it for the window system with its UTF-8 title in every name property (FLTK
// stores the bytes of WM_NAME as Latin-1 text, which tools then read as mangled characters).
void ShowNamedWindow(Fl_Window& window);

// 0xBBGGRR (red in the low byte) to an FLTK colour.
inline Fl_Color FltkColour(uint32_t bgr) {
  return fl_rgb_color(static_cast<uchar>(bgr & 0xFF), static_cast<uchar>((bgr >> 8) & 0xFF),
                      static_cast<uchar>((bgr >> 16) & 0xFF));
}

}  // namespace corv
