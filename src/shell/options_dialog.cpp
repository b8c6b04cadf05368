// The options dialog GOption: colour depth and drawing mode, chosen at every start, the last run's choice
// selected. OK lets start-up go on; Cancel or closing the window by its frame ends the program before the
// display changes.
#include "shell/options_dialog.h"

#include <cstdio>

namespace corv {

namespace {
constexpr uint32_t kRed = 0x0000FF;  // colours are 0xBBGGRR
constexpr uint32_t kLightBlue = 0xFF8080;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kDepthBackground = 0xC0C0C0;

DialogLayout BuildLayout() {
  using K = ControlKind;
  DialogLayout layout;
  layout.caption = "オプション";
  layout.width = 242;
  layout.height = 104;
  // kind, id, parent, caption, left, top, width, height, text colour, background, enabled, selected
  layout.controls = {
      {K::kRadio, kOption1_16Bit, -1, "16Bitカラー", 0, 16, 121, 17, kRed, kDepthBackground, false},
      {K::kRadio, kOption1_24Bit, -1, "24Bitカラー", 0, 32, 121, 17, kLightBlue, kDepthBackground, false},
      {K::kRadio, kOption1_32Bit, -1, "32Bitカラー(推奨)", 0, 48, 121, 17, kBlue, kDepthBackground, false},
      {K::kFrame, kFrame1, -1, "描画方法", 128, 0, 113, 73, 0x000000, std::nullopt, true},
      {K::kRadio, kOption2, kFrame1, "粗い（高速）", 8, 16, 97, 17, kRed, std::nullopt, true},
      {K::kRadio, kOption3, kFrame1, "普通", 8, 32, 97, 17, kLightBlue, std::nullopt, true, true},
      {K::kRadio, kOption4, kFrame1, "精細（低速）", 8, 48, 97, 17, kBlue, std::nullopt, true},
      {K::kButton, kCommand1_Ok, -1, "ＯＫ", 16, 80, 97, 17, 0x000000, std::nullopt, false},
      {K::kButton, kCommand1_Cancel, -1, "Cancel", 128, 80, 97, 17, 0x000000, std::nullopt, true},
  };
  return layout;
}
}  // namespace

const DialogLayout& OptionsLayout() {
  static const DialogLayout layout = BuildLayout();
  return layout;
}

GOption::GOption(Settings& settings, const ViewFactory& make_view, const Preferences& remembered)
    : settings_(settings),
      view_(make_view(OptionsLayout(), *this)),
      remembered_depth_(remembered.depth),
      remembered_mode_(remembered.drawing_mode) {}

// Loads the dialog and shows it without waiting: display set-up goes on and offers the depths it finds.
// The drawing mode chosen last time is selected at once.
void GOption::Show() {
  Form_Load();
  if (remembered_mode_ >= 0 && remembered_mode_ <= 2) {
    view_->Select(kOption2 + remembered_mode_);
    Clicked(kOption2 + remembered_mode_);
  }
  view_->Show();
}

// Display set-up found a 640 x 480 mode of this depth: the button becomes choosable and selected, which
// runs its click handler as a click by the player would.
void GOption::OfferDepth(int index) {
  if (index < 0 || index > 2 || unloaded_) return;
  offered_[index] = true;
  view_->SetEnabled(kOption1_16Bit + index, true);
  view_->Select(kOption1_16Bit + index);
  Option1_Click(index);
}

void GOption::EnableOk() {
  if (unloaded_) return;
  ok_enabled_ = true;
  view_->SetEnabled(kCommand1_Ok, true);
  // The dialog may have become active before OK could take the focus.
  if (active_) view_->Focus(kCommand1_Ok);
}

// The dialog becomes active when the player gets it, that is when display set-up starts waiting for it.
// The depth chosen last time, where the display offers it, takes the place of the one offered last.
bool GOption::WaitUntilClosed() {
  const int remembered = (remembered_depth_ - 16) / 8;
  if (!unloaded_ && !active_ && remembered_depth_ % 8 == 0 && remembered >= 0 && remembered <= 2 &&
      offered_[remembered]) {
    view_->Select(kOption1_16Bit + remembered);
    Option1_Click(remembered);
  }
  if (!unloaded_ && !active_) Form_Activate();
  while (!options_closed_ && !end_requested_) view_->DeliverEvents();
  return !end_requested_;
}

void GOption::Dismiss() {
  if (unloaded_) return;
  unloaded_ = true;
  view_->Close();
}

void GOption::Clicked(int id) {
  if (unloaded_) return;
  switch (id) {
    case kOption1_16Bit:
    case kOption1_24Bit:
    case kOption1_32Bit:
      Option1_Click(id - kOption1_16Bit);
      break;
    case kOption2:
      Option2_Click();
      break;
    case kOption3:
      Option3_Click();
      break;
    case kOption4:
      Option4_Click();
      break;
    case kCommand1_Ok:
      Command1_Click(0);
      break;
    case kCommand1_Cancel:
      Command1_Click(1);
      break;
    default:
      break;
  }
}

void GOption::FrameClosed() {
  if (unloaded_) return;
  Unload();
}

void GOption::Form_Load() {
  settings_.DrawingMode = 1;
}

// Enter and Space confirm with OK as soon as it can be pressed.
void GOption::Form_Activate() {
  active_ = true;
  if (ok_enabled_) view_->Focus(kCommand1_Ok);
}

void GOption::Option1_Click(int index) {
  settings_.ColourDepth = index * 8 + 16;
}
void GOption::Option2_Click() {
  settings_.DrawingMode = 0;
}
void GOption::Option3_Click() {
  settings_.DrawingMode = 1;
}
void GOption::Option4_Click() {
  settings_.DrawingMode = 2;
}

void GOption::Command1_Click(int index) {
  ClosedByButton = true;
  Unload();
  if (index == 1) end_requested_ = true;
}

void GOption::Form_Unload() {
  if (!ClosedByButton) {
    end_requested_ = true;
  } else {
    options_closed_ = true;
  }
}

void GOption::Unload() {
  unloaded_ = true;
  view_->Close();
  Form_Unload();
}

std::unique_ptr<OptionsDialog> MakeFltkOptionsDialog(Settings& settings, const Preferences& remembered) {
  if (!WindowSystemAvailable()) {
    std::fprintf(
        stderr,
        "corvalline: no display for the options dialog; the depth and drawing mode keep their defaults\n");
    return MakePresetOptionsDialog(settings, remembered.depth, remembered.drawing_mode);
  }
  return std::make_unique<GOption>(settings, MakeFltkDialogView, remembered);
}

}  // namespace corv
