// The display connection of the FLTK windows, opened on first use so that a player without windows never
// touches the window system.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

#include "platform/fltk_support.h"
#include "platform/options_view.h"

namespace corv {
namespace {
constexpr Fl_Font kDialogFont = FL_FREE_FONT;
}

bool OpenFltkDisplay() {
  if (fl_display != nullptr) return true;
  // FLTK ends the process when it cannot open the display, so try the connection first and hand it over.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  fl_open_display(display);
  // Xft names: the leading space marks the regular style.
  Fl::set_font(kDialogFont, " IPAPGothic");
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

bool WindowSystemAvailable() {
  return OpenFltkDisplay();
}

}  // namespace corv
