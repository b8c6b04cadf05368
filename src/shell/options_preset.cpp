// Placeholder until the options dialogs are built.
#include "shell/options_dialog.h"

namespace corv {
std::unique_ptr<OptionsDialog> MakeFltkOptionsDialog(Settings& settings) {
  return MakePresetOptionsDialog(settings, 0, -1);
}
namespace {
class PresetDialog final : public OptionsDialog {
 public:
  PresetDialog(Settings& settings, int depth, int mode) : settings_(settings), depth_(depth), mode_(mode) {}
  void Show() override { settings_.DrawingMode = 1; }
  void OfferDepth(int index) override {
    settings_.ColourDepth = index * 8 + 16;
    offered_[index] = true;
  }
  void EnableOk() override {}
  bool WaitUntilClosed() override {
    if (depth_ != 0 && offered_[(depth_ - 16) / 8]) settings_.ColourDepth = depth_;
    if (mode_ >= 0) settings_.DrawingMode = mode_;
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
