// A small dialog window described by a table of controls: frames, radio buttons and command buttons at
// fixed pixel positions. The window reports clicks and a close by its frame to a listener and lets the
// program enable, select and focus its controls. The dialog's logic lives with its caller; this layer only
// shows what the table describes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corv {

enum class ControlKind { kFrame, kRadio, kButton };

struct DialogControl {
  ControlKind kind = ControlKind::kButton;
  int id = 0;                               // reported by clicks and used to address the control
  int parent = -1;                          // id of the frame that holds it, or -1 for the window itself
  std::string caption;                      // UTF-8
  int x = 0, y = 0, width = 0, height = 0;  // pixels, relative to the parent
  uint32_t text_colour = 0x000000;          // 0xBBGGRR
  std::optional<uint32_t> back_colour;      // 0xBBGGRR; none: the window's own
  bool enabled = true;
  bool selected = false;  // radio buttons only
};

// Radio buttons with the same parent form one group: selecting one clears the others.
struct DialogLayout {
  std::string caption;
  int width = 0, height = 0;  // client area in pixels
  std::vector<DialogControl> controls;
};

class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // The player clicked control `id` (a radio button that became selected, or a command button).
  virtual void Clicked(int id) = 0;
  // The player closed the window by its frame, its window menu or Esc; the window is still shown.
  virtual void FrameClosed() = 0;
};

class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void Show() = 0;  // without making it modal
  virtual void SetEnabled(int id, bool enabled) = 0;
  virtual void Select(int id) = 0;  // selects a radio button; reports no click
  virtual void Focus(int id) = 0;   // keyboard focus; Enter and Space then press a focused button
  virtual void Close() = 0;         // takes the window off the screen for good
  // Handles the events waiting for the window, or waits a short while for one.
  virtual void DeliverEvents() = 0;
};

// True when windows can be shown: a display connection is open (it is opened on the first call).
bool WindowSystemAvailable();

// The FLTK window for `layout`; nullptr when no display is available. `events` must outlive it.
std::unique_ptr<DialogView> MakeFltkDialogView(const DialogLayout& layout, DialogEvents& events);

}  // namespace corv
