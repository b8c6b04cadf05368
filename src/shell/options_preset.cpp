// The preset options dialog: shows nothing and closes with OK at once, with the depth and drawing mode given
// on the command line (or the defaults).
#include "shell/options_dialog.h"

namespace corv {
namespace {
class PresetDialog final : public OptionsDialog {
 public:
  PresetDialog(Settings& settings, int depth, int mode) : settings_(settings), depth_(depth), mode_(mode) {}
  void Show() override { settings_.DrawingMode = 1; }
  void OfferDepth(int index) override {
    if (index < 0 || index > 2) return;
    settings_.ColourDepth = index * 8 + 16;
    offered_[index] = true;
  }
  void EnableOk() override {}
  bool WaitUntilClosed() override {
    // A depth the display does not offer, or no depth at all, keeps the one offered last.
    if ((depth_ == 16 || depth_ == 24 || depth_ == 32) && offered_[(depth_ - 16) / 8]) {
      settings_.ColourDepth = depth_;
    }
    if (mode_ >= 0 && mode_ <= 2) settings_.DrawingMode = mode_;
    return true;
  }
  void Dismiss() override {}

 private:
  Settings& settings_;
  int depth_;
  int mode_;
  bool offered_[3] = {false, false, false};
};
}  // namespace
std::unique_ptr<OptionsDialog> MakePresetOptionsDialog(Settings& settings, int depth, int drawing_mode) {
  return std::make_unique<PresetDialog>(settings, depth, drawing_mode);
}
}  // namespace corv
