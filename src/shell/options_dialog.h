// What display set-up asks of the options dialog: it is shown without being modal, display set-up
// enables the depths it finds, then waits until the player closes it.
#pragma once

#include <memory>

#include "shell/player.h"

namespace corv {

class OptionsDialog {
 public:
  virtual ~OptionsDialog() = default;
  // Shows the dialog: the three depth buttons and OK disabled, DrawingMode set to 1.
  virtual void Show() = 0;
  // Enables and selects depth button `index` (0: 16 bits, 1: 24, 2: 32), which sets ColourDepth.
  virtual void OfferDepth(int index) = 0;
  virtual void EnableOk() = 0;
  // Lets the window system deliver events until the dialog is closed. True when it was closed with OK;
  // false when the player ended the program from it (Cancel, or closing its window frame).
  virtual bool WaitUntilClosed() = 0;
  // Takes the dialog off the screen without a result (when no usable display mode exists).
  virtual void Dismiss() = 0;
};

// The dialog for players, with FLTK.
std::unique_ptr<OptionsDialog> MakeFltkOptionsDialog(Settings& settings);

// A dialog that shows nothing and closes with OK at once: for headless runs and for a depth or drawing
// mode given on the command line. depth 0 keeps the last depth offered; drawing_mode -1 keeps normal (1).
std::unique_ptr<OptionsDialog> MakePresetOptionsDialog(Settings& settings, int depth, int drawing_mode);

}  // namespace corv
