// The settings dialog opened over the paused game: the player's own settings, edited in a small window.
#pragma once

#include <memory>
#include <optional>

#include "platform/display.h"

namespace corv {

struct SettingsValues {
  int volume = 100;  // percent
  bool muted = false;
  bool fullscreen = true;
  Scaling scaling = Scaling::kWhole;
  int text_speed_ms = -1;  // milliseconds per character; -1: the game's own
  int auto_delay_ms = 1500;
  bool skip_unread = false;
  bool strict = false;
  bool operator==(const SettingsValues&) const = default;
};

class SettingsEditor {
 public:
  virtual ~SettingsEditor() = default;
  // Shows the dialog with `current` and waits until it is closed: the values as edited when closed with
  // OK, nullopt when cancelled (Cancel, Esc or its window frame).
  virtual std::optional<SettingsValues> Edit(const SettingsValues& current) = 0;
};

// The dialog in FLTK, its labels in Japanese; the display connection is opened when it is first shown
// (without one, Edit returns nullopt).
std::unique_ptr<SettingsEditor> MakeFltkSettingsEditor();

}  // namespace corv
