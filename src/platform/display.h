// The display: the window (or, headless, nothing) that receives finished 640 x 480 frames, and the
// input events that reach the player through it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace corv {

class VirtualClock;

struct DisplayMode {
  int width = 0;
  int height = 0;
  int bits_per_pixel = 0;
};

enum class WindowMode { kFullscreen, kWindow };

// How a window or screen larger than the frame shows it: the largest whole multiple, centred on black
// (sharp pixels), or as large as fits with the aspect kept (smoothed).
enum class Scaling { kWhole, kFit };

// The main window as the player left it, to be remembered.
struct WindowState {
  bool fullscreen = true;
  int width = 0;  // the window's size when not full screen; 0 when unknown
  int height = 0;
};

// Codes of the keys that type no character, above every character code.
inline constexpr int kKeyUp = 0x110000;
inline constexpr int kKeyDown = 0x110001;
inline constexpr int kKeyPageUp = 0x110002;
inline constexpr int kKeyPageDown = 0x110003;
inline constexpr int kKeyCtrl = 0x110004;  // either Ctrl key; the only key whose release is reported
inline constexpr int kKeyCopy = 0x110005;  // Ctrl+C
inline constexpr int kKeyF1 = 0x110101;    // F1 ... F12 are kKeyF1 ... kKeyF1 + 11
inline constexpr int kKeyF12 = kKeyF1 + 11;

// One input event of the main window, with pointer positions already in 640 x 480 screen pixels.
struct InputEvent {
  enum class Kind { kKeyPress, kMouseMove, kMouseUp, kQuit, kKeyRelease, kWheel };
  Kind kind = Kind::kKeyPress;
  int key_code = 0;  // kKeyPress, kKeyRelease: the character code (27 for Esc, 13 for Enter, 9 for Tab,
                     // 32 for space) or one of the kKey codes above
  int button = 0;    // kMouseUp: 1 left, 2 right, 4 middle; kWheel: 1 up (away from the player), -1 down
  double x = 0;
  double y = 0;
};

class Display {
 public:
  virtual ~Display() = default;

  // The modes the display offers, in the driver's order.
  virtual std::vector<DisplayMode> EnumerateModes() = 0;

  // Shows the main window (caption "Corvalline", black background, the program's icon) and takes the
  // screen at width x height in the given depth. False, with *error set, when that is impossible.
  virtual bool SetMode(int width, int height, int depth, std::string* error) = 0;

  // Gives the screen back; safe to call more than once or before SetMode.
  virtual void RestoreMode() = 0;

  // Makes a finished frame visible: what the screen receives at a flip. Paced by the display's refresh.
  virtual void Present(const Surface& frame) = 0;

  // Lets the window system deliver what is pending; appends the main window's input events to `out`.
  virtual void PollEvents(std::vector<InputEvent>& out) = 0;

  // Free memory available for surfaces, in bytes, as honestly as the platform can tell; 0 if unknown.
  virtual int64_t FreeVideoMemory() = 0;

  // Puts UTF-8 text on the desktop's clipboard; false when there is none (headless runs).
  virtual bool SetClipboardText(const std::string& utf8) {
    (void)utf8;
    return false;
  }
  // Changes how the frame is scaled; switches between the window and the whole screen.
  virtual void SetScaling(Scaling) {}
  virtual void SetFullscreen(bool) {}
  // Full screen or not, and the window's size; the headless display has no window and reports none.
  virtual std::optional<WindowState> CurrentWindowState() { return std::nullopt; }
};

struct DisplayOptions {
  WindowMode window_mode = WindowMode::kFullscreen;
  std::vector<DisplayMode> modes;  // the modes to offer; empty means 640 x 480 at 16, 24 and 32 bits
  Scaling scaling = Scaling::kWhole;
  int window_width = 0;  // the window's first size; 0: the largest whole multiple that fits the desktop
  int window_height = 0;
};

// The display for players: an SDL window owning a 640 x 480 logical screen.
std::unique_ptr<Display> MakeSdlDisplay(const DisplayOptions& options);

// The headless display: keeps no window, advances the virtual clock 16 ms at every present and 1 ms at
// every event poll (a yield), and reports no input of its own.
std::unique_ptr<Display> MakeHeadlessDisplay(VirtualClock& clock, const DisplayOptions& options);

}  // namespace corv
