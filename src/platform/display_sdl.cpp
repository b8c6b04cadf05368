// The display for players: one SDL window showing the 640 x 480 logical screen.
//
// How the screen maps onto SDL:
//  - The window holds a renderer with a logical size of 640 x 480: SDL scales the frame, fills the rest
//    with black and converts pointer positions back to screen pixels, so the handlers see 0..639 x
//    0..479 whatever the window size.
//  - Two ways of scaling: the largest whole multiple that fits, centred, nearest neighbour (sharp pixels,
//    the default); or "fit", as large as fits with the aspect kept, smoothed (linear filtering).
//  - Full screen is the desktop's own mode (SDL_WINDOW_FULLSCREEN_DESKTOP): the video mode of the monitor
//    never changes. A window can be resized and maximised; it opens at the size it had when last closed,
//    else at the largest whole multiple of 640 x 480 that fits the desktop. Alt+Enter switches between
//    window and full screen.
//  - A flip uploads the frame into a streaming texture of the frame's own pixel format (RGB565, BGR24
//    for the three-byte blue-green-red layout, XRGB8888), so no conversion is done on our side. Only
//    the rows drawn since the frame on screen are compared and uploaded, where the frame knows them.
//  - Presents wait for the vertical blank where the driver offers it; a frame limiter at the monitor's
//    refresh rate paces them where it does not (Xvfb, some software renderers), so waiting loops that
//    flip do not spin a core.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/display.h"
#include "platform/sdl_ptrs.h"

namespace corv {
namespace {

// One reference to SDL's video subsystem, released with the object.
class VideoSubsystem {
 public:
  VideoSubsystem() : ok_(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
  ~VideoSubsystem() {
    if (ok_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  VideoSubsystem(const VideoSubsystem&) = delete;
  VideoSubsystem& operator=(const VideoSubsystem&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

constexpr int kIconSize = 32;

// The program's icon, drawn here: a gold "C" ring, open to the right, on a deep blue disc.
std::vector<uint32_t> IconPixels() {
  std::vector<uint32_t> pixels(kIconSize * kIconSize, 0);  // RGBA8888 values, transparent
  const double c = (kIconSize - 1) / 2.0;
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const double dx = x - c, dy = y - c;
      const double r = std::sqrt(dx * dx + dy * dy);
      if (r > 15.5) continue;
      uint32_t rgba = 0x1B2A6BFF;  // the disc
      const double angle = std::atan2(dy, dx) * 180.0 / 3.14159265358979;
      if (r >= 7.5 && r <= 12.5 && std::abs(angle) > 45.0) rgba = 0xF2C14EFF;  // the ring
      pixels[static_cast<size_t>(y) * kIconSize + x] = rgba;
    }
  }
  return pixels;
}

// MemAvailable of /proc/meminfo in bytes: what the kernel can hand out without swapping. Our surfaces
// live in ordinary memory, so this is the honest figure for "memory left for surfaces". 0 if unknown.
int64_t MemAvailableBytes() {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    std::istringstream fields(line.substr(13));
    int64_t kib = 0;
    if (fields >> kib && kib >= 0) return kib * 1024;
    return 0;
  }
  return 0;
}

class SdlDisplay final : public Display {
 public:
  explicit SdlDisplay(const DisplayOptions& options)
      : window_mode_(options.window_mode),
        modes_(options.modes),
        scaling_(options.scaling),
        window_width_(options.window_width),
        window_height_(options.window_height) {
    if (modes_.empty()) modes_ = {{640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
  }
  ~SdlDisplay() override { RestoreMode(); }

  std::vector<DisplayMode> EnumerateModes() override { return modes_; }

  bool SetMode(int width, int height, int depth, std::string* error) override {
    RestoreMode();
    auto fail = [&](const std::string& what) {
      if (error) *error = what + ": " + SDL_GetError();
      RestoreMode();
      return false;
    };
    if (depth != 16 && depth != 24 && depth != 32) {
      if (error) *error = "unsupported colour depth " + std::to_string(depth);
      return false;
    }
    width_ = width;
    height_ = height;
    depth_ = depth;
    video_ = std::make_unique<VideoSubsystem>();
    if (!video_->ok()) return fail("cannot start the video system");
    // With no display server SDL falls back to drivers that show nothing: the game would play on unseen,
    // out of reach of the Esc that ends it. Those drivers serve only when asked for by name.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(asked && *asked)) {
      if (error) *error = "no display to show the game on (is DISPLAY or WAYLAND_DISPLAY set?)";
      RestoreMode();
      return false;
    }
    // A window opens at its remembered size, else at the largest whole multiple that fits; the whole
    // screen starts from the latter and keeps the remembered size for when it becomes a window.
    const int factor = WindowFactor();
    int window_width = width * factor, window_height = height * factor;
    if (window_width_ >= width / 4 && window_height_ >= height / 4) {
      last_window_width_ = window_width_;
      last_window_height_ = window_height_;
      if (window_mode_ == WindowMode::kWindow) {
        window_width = window_width_;
        window_height = window_height_;
      }
    }
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (window_mode_ == WindowMode::kFullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    window_.reset(SDL_CreateWindow("Corvalline", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, window_width,
                                   window_height, flags));
    if (!window_) return fail("cannot open the window");
    SetIcon();

    renderer_.reset(
        SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC));
    if (!renderer_) renderer_.reset(SDL_CreateRenderer(window_.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!renderer_) return fail("cannot draw into the window");
    if (SDL_RenderSetLogicalSize(renderer_.get(), width, height) != 0) return fail("cannot scale the screen");
    texture_.reset(SDL_CreateTexture(renderer_.get(), SdlPixelFormat(depth), SDL_TEXTUREACCESS_STREAMING,
                                     width, height));
    if (!texture_) return fail("cannot create the screen texture");
    SetScaling(scaling_);
    // The screen starts black, like a freshly switched mode.
    const std::vector<uint8_t> black(static_cast<size_t>(width) * height * 4, 0);
    SDL_UpdateTexture(texture_.get(), nullptr, black.data(), width * (depth / 8));

    SDL_DisplayMode mode;
    const int index = SDL_GetWindowDisplayIndex(window_.get());
    refresh_hz_ = (index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 && mode.refresh_rate > 0)
                      ? mode.refresh_rate
                      : 60;
    SDL_StartTextInput();
    Repaint();
    last_present_ = Clock::now();
    return true;
  }

  void RestoreMode() override {
    shown_ = Surface();
    texture_.reset();
    renderer_.reset();
    window_.reset();
    video_.reset();
  }

  // A frame the same as the one on screen (a wait for the player flipping the page it shows) is neither
  // uploaded nor drawn again; it is still paced, so the wait keeps its rhythm. The display keeps a
  // copy of the frame it shows, which shares the frame's pixels: while they are shared nobody has drawn
  // on them, so a frame passed along untouched is recognised without reading it.
  void Present(const Surface& frame) override {
    presented_since_poll_ = true;
    if (!texture_ || frame.Depth() != depth_ || frame.Width() != width_ || frame.Height() != height_) return;
    if (!frame.SharesPixelsWith(shown_)) {
      // Only the rows drawn since the shown frame are compared and uploaded, where that is known.
      RowSpan rows = frame.ChangedRowsSince(shown_).value_or(RowSpan{0, height_});
      rows.first = std::max(rows.first, 0);
      rows.end = std::min(rows.end, height_);
      if (!rows.Empty() && !SameRows(frame, shown_, rows)) {
        const SDL_Rect area{0, rows.first, width_, rows.end - rows.first};
        SDL_UpdateTexture(texture_.get(), &area, frame.Row(rows.first), frame.Pitch());
        Repaint();
      }
      shown_ = frame;
    }
    Pace();
  }

  // A caller that polls again at once, with nothing presented in between, is waiting for input (a
  // timed pause, a menu): the first event is waited for up to a millisecond instead of spinning a core.
  // Callers that do work between polls (the interpreter yields at most every millisecond) never wait.
  void PollEvents(std::vector<InputEvent>& out) override {
    if (!window_) return;
    const bool spinning = !presented_since_poll_ && Clock::now() - last_poll_ < kSpinGap;
    presented_since_poll_ = false;
    SDL_Event e;
    bool have = spinning ? SDL_WaitEventTimeout(&e, kIdleWaitMs) != 0 : SDL_PollEvent(&e) != 0;
    for (; have; have = SDL_PollEvent(&e) != 0) OnEvent(e, out);
    last_poll_ = Clock::now();
  }

  int64_t FreeVideoMemory() override { return MemAvailableBytes(); }

  bool SetClipboardText(const std::string& utf8) override {
    return window_ && SDL_SetClipboardText(utf8.c_str()) == 0;
  }

  void SetScaling(Scaling scaling) override {
    scaling_ = scaling;
    if (!renderer_ || !texture_) return;
    const bool whole = scaling == Scaling::kWhole;
    SDL_RenderSetIntegerScale(renderer_.get(), whole ? SDL_TRUE : SDL_FALSE);
    SDL_SetTextureScaleMode(texture_.get(), whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    Repaint();
  }

  void SetFullscreen(bool fullscreen) override {
    if (!window_) return;
    const bool full = (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (full != fullscreen) ToggleFullscreen();
  }

  std::optional<WindowState> CurrentWindowState() override {
    if (!window_) return std::nullopt;
    WindowState state;
    state.fullscreen = (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    // The size of the window the last time it was a window (full screen reports the desktop's size).
    if (!state.fullscreen) SDL_GetWindowSize(window_.get(), &last_window_width_, &last_window_height_);
    state.width = last_window_width_;
    state.height = last_window_height_;
    return state;
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kSpinGap = std::chrono::microseconds(200);
  static constexpr int kIdleWaitMs = 1;

  void OnEvent(const SDL_Event& e, std::vector<InputEvent>& out) {
    switch (e.type) {
      case SDL_QUIT:
        out.push_back(InputEvent{InputEvent::Kind::kQuit, 0, 0, 0, 0});
        break;
      case SDL_KEYDOWN:
        OnKeyDown(e.key, out);
        break;
      case SDL_KEYUP:
        if (IsCtrl(e.key.keysym.sym))
          out.push_back(InputEvent{InputEvent::Kind::kKeyRelease, kKeyCtrl, 0, 0, 0});
        break;
      case SDL_MOUSEWHEEL: {
        int steps = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
        if (steps != 0) out.push_back(InputEvent{InputEvent::Kind::kWheel, 0, steps > 0 ? 1 : -1, 0, 0});
        break;
      }
      case SDL_TEXTINPUT:
        OnText(e.text.text, out);
        break;
      case SDL_MOUSEMOTION:
        out.push_back(InputEvent{InputEvent::Kind::kMouseMove, 0, 0, ClampX(e.motion.x), ClampY(e.motion.y)});
        break;
      case SDL_MOUSEBUTTONUP: {
        const int button = e.button.button == SDL_BUTTON_LEFT     ? 1
                           : e.button.button == SDL_BUTTON_RIGHT  ? 2
                           : e.button.button == SDL_BUTTON_MIDDLE ? 4
                                                                  : 0;
        if (button != 0) {
          out.push_back(
              InputEvent{InputEvent::Kind::kMouseUp, 0, button, ClampX(e.button.x), ClampY(e.button.y)});
        }
        break;
      }
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
          Repaint();
        // A Ctrl released in another window would never be seen: leaving the window lets go of it.
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
          out.push_back(InputEvent{InputEvent::Kind::kKeyRelease, kKeyCtrl, 0, 0, 0});
        break;
      default:
        break;
    }
  }

  // The largest whole multiple of the screen that fits the usable desktop, at least 1.
  int WindowFactor() const {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    return std::max(1, std::min(usable.w / width_, usable.h / height_));
  }

  void SetIcon() {
    std::vector<uint32_t> pixels = IconPixels();
    SdlSurfacePtr icon(SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), kIconSize, kIconSize, 32,
                                                          kIconSize * 4, SDL_PIXELFORMAT_RGBA8888));
    if (icon) SDL_SetWindowIcon(window_.get(), icon.get());
  }

  // True when both frames hold the same pixels in the given rows.
  static bool SameRows(const Surface& a, const Surface& b, const RowSpan& rows) {
    if (a.SizeBytes() != b.SizeBytes() || a.Pitch() != b.Pitch()) return false;
    const size_t bytes = static_cast<size_t>(rows.end - rows.first) * static_cast<size_t>(a.Pitch());
    return std::memcmp(a.Row(rows.first), b.Row(rows.first), bytes) == 0;
  }

  // Draws the current texture: black bars around the scaled screen.
  void Repaint() {
    if (!renderer_) return;
    SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
    SDL_RenderClear(renderer_.get());
    SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, nullptr);
    SDL_RenderPresent(renderer_.get());
  }

  // Keeps presents at most one per refresh period. Where the present already waited for the vertical
  // blank a whole period has passed and nothing more is waited; the margin keeps the limiter from
  // pushing a present past the next blank.
  void Pace() {
    const auto period = std::chrono::microseconds(1000000 / refresh_hz_);
    const auto margin = std::chrono::microseconds(1000);
    const auto due = last_present_ + period - margin;
    const auto now = Clock::now();
    if (now < due) std::this_thread::sleep_for(due - now);
    last_present_ = Clock::now();
  }

  void OnKeyDown(const SDL_KeyboardEvent& key, std::vector<InputEvent>& out) {
    const SDL_Keycode sym = key.keysym.sym;
    const bool enter = sym == SDLK_RETURN || sym == SDLK_KP_ENTER;
    if (enter && (key.keysym.mod & KMOD_ALT)) {
      if (!key.repeat) ToggleFullscreen();
      return;
    }
    // Keys without text; printable keys arrive as text input (none while Ctrl is held).
    int code = 0;
    if (sym == SDLK_ESCAPE) code = 27;
    if (enter) code = 13;
    if (sym == SDLK_BACKSPACE) code = 8;
    if (sym == SDLK_TAB) code = 9;
    if (sym == SDLK_UP) code = kKeyUp;
    if (sym == SDLK_DOWN) code = kKeyDown;
    if (sym == SDLK_PAGEUP) code = kKeyPageUp;
    if (sym == SDLK_PAGEDOWN) code = kKeyPageDown;
    if (sym == SDLK_c && (key.keysym.mod & KMOD_CTRL)) code = kKeyCopy;
    if (IsCtrl(sym)) code = key.repeat ? 0 : kKeyCtrl;
    if (sym >= SDLK_F1 && sym <= SDLK_F12 && !key.repeat) code = kKeyF1 + static_cast<int>(sym - SDLK_F1);
    if (code != 0) out.push_back(InputEvent{InputEvent::Kind::kKeyPress, code, 0, 0, 0});
  }

  static bool IsCtrl(SDL_Keycode sym) { return sym == SDLK_LCTRL || sym == SDLK_RCTRL; }

  // Every character typed, as its code (the character code for ASCII, the code point beyond).
  static void OnText(const char* utf8, std::vector<InputEvent>& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
      char32_t c = *p;
      int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      if (extra) c &= (0x3F >> extra);
      ++p;
      for (; extra > 0 && (*p & 0xC0) == 0x80; --extra, ++p) c = (c << 6) | (*p & 0x3F);
      out.push_back(InputEvent{InputEvent::Kind::kKeyPress, static_cast<int>(c), 0, 0, 0});
    }
  }

  void ToggleFullscreen() {
    if (!window_) return;
    const bool full = (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    if (full) {
      SDL_SetWindowFullscreen(window_.get(), 0);
      if (last_window_width_ <= 0 || last_window_height_ <= 0) {
        const int factor = WindowFactor();
        last_window_width_ = width_ * factor;
        last_window_height_ = height_ * factor;
      }
      SDL_SetWindowSize(window_.get(), last_window_width_, last_window_height_);
      SDL_SetWindowPosition(window_.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
      SDL_GetWindowSize(window_.get(), &last_window_width_, &last_window_height_);
      SDL_SetWindowFullscreen(window_.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    Repaint();
  }

  double ClampX(int x) const { return std::clamp(x, 0, width_ - 1); }
  double ClampY(int y) const { return std::clamp(y, 0, height_ - 1); }

  WindowMode window_mode_;
  std::vector<DisplayMode> modes_;
  Scaling scaling_;
  int window_width_;  // the size asked for the window; 0: the largest whole multiple that fits
  int window_height_;
  int last_window_width_ = 0;  // the window's size when it was last a window
  int last_window_height_ = 0;
  int width_ = 640;
  int height_ = 480;
  int depth_ = 32;
  int refresh_hz_ = 60;
  Clock::time_point last_present_{};
  Clock::time_point last_poll_{};
  bool presented_since_poll_ = false;
  Surface shown_;  // the frame last uploaded to the texture
  // Released in reverse order: texture, renderer, window, then the video system.
  std::unique_ptr<VideoSubsystem> video_;
  SdlWindowPtr window_;
  SdlRendererPtr renderer_;
  SdlTexturePtr texture_;
};

}  // namespace

std::unique_ptr<Display> MakeSdlDisplay(const DisplayOptions& options) {
  return std::make_unique<SdlDisplay>(options);
}

}  // namespace corv
