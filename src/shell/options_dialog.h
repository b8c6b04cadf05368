// What display set-up asks of the options dialog: it is shown without being modal, display set-up
// enables the depths it finds, then waits until the player closes it.
#pragma once

#include <functional>
#include <memory>

#include "core/player.h"
#include "platform/options_view.h"

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

// The controls of the options dialog, by the ids its window reports.
enum OptionsControl : int {
  kOption1_16Bit = 0,  // Option1(0) to Option1(2): the colour depths 16, 24 and 32
  kOption1_24Bit = 1,
  kOption1_32Bit = 2,
  kFrame1 = 3,
  kOption2 = 4,  // coarse
  kOption3 = 5,  // normal
  kOption4 = 6,  // fine
  kCommand1_Ok = 7,
  kCommand1_Cancel = 8,
};

// The window of the options dialog: caption, size and every control with its start state.
const DialogLayout& OptionsLayout();

// The options dialog: its event handlers drive a DialogView, so the same logic runs on the screen and in
// tests with a recording view.
class GOption final : public OptionsDialog, public DialogEvents {
 public:
  using ViewFactory = std::function<std::unique_ptr<DialogView>(const DialogLayout&, DialogEvents&)>;
  // `remembered` holds the depth and drawing mode chosen at the last run (0 and -1 when none): they are
  // selected instead of the defaults where the display offers them.
  GOption(Settings& settings, const ViewFactory& make_view, const Preferences& remembered = {});

  void Show() override;
  void OfferDepth(int index) override;
  void EnableOk() override;
  bool WaitUntilClosed() override;
  void Dismiss() override;

  void Clicked(int id) override;
  void FrameClosed() override;

  void Form_Load();
  void Form_Activate();
  void Option1_Click(int index);
  void Option2_Click();
  void Option3_Click();
  void Option4_Click();
  void Command1_Click(int index);
  void Form_Unload();

  bool OptionsClosed() const { return options_closed_; }
  // True once Cancel or a frame close asked to end the program.
  bool EndRequested() const { return end_requested_; }

 private:
  void Unload();

  Settings& settings_;
  std::unique_ptr<DialogView> view_;
  int remembered_depth_;
  int remembered_mode_;
  bool offered_[3] = {false, false, false};
  bool options_closed_ = false;
  bool ClosedByButton = false;
  bool end_requested_ = false;
  bool unloaded_ = false;
  bool active_ = false;
  bool ok_enabled_ = false;
};

// The dialog for players, with FLTK; without a display it is the preset dialog (OK at once).
std::unique_ptr<OptionsDialog> MakeFltkOptionsDialog(Settings& settings, const Preferences& remembered = {});

// A dialog that shows nothing and closes with OK at once: for headless runs and for a depth or drawing
// mode given on the command line. depth 0 keeps the last depth offered; drawing_mode -1 keeps normal (1).
std::unique_ptr<OptionsDialog> MakePresetOptionsDialog(Settings& settings, int depth, int drawing_mode);

}  // namespace corv
