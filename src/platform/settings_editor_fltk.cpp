// The settings dialog in FLTK: volume, window and scaling, and the text comforts, with OK and Cancel.
// Every label takes the dialog font, so Japanese text never shows as empty boxes.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hor_Value_Slider.H>
#include <FL/Fl_Spinner.H>

#include <cmath>

#include "platform/fltk_support.h"
#include "platform/settings_editor.h"

namespace corv {
namespace {

template <class Widget>
Widget& Styled(Widget& widget) {
  widget.labelfont(DialogFont());
  widget.labelsize(kDialogFontSize);
  return widget;
}

// A number to choose, between low and high in steps, with its digits in the dialog's size.
template <class Field>
void SetUpNumber(Field& field, double low, double high, double step, double value) {
  field.range(low, high);
  field.step(step);
  field.value(value);
  Styled(field).textsize(kDialogFontSize);
}

std::optional<SettingsValues> RunDialog(const SettingsValues& current) {
  constexpr int kWidth = 320, kHeight = 262;
  Fl_Double_Window window(kWidth, kHeight);
  window.copy_label("設定");
  Fl_Box volume_label(12, 12, 60, 22, "音量");
  Styled(volume_label).align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
  Fl_Hor_Value_Slider volume(76, 12, 160, 22);
  SetUpNumber(volume, 0, 100, 10, current.volume);
  Fl_Check_Button muted(244, 12, 70, 22, "消音");
  Styled(muted).value(current.muted);
  Fl_Check_Button fullscreen(12, 42, 296, 22, "全画面で表示する");
  Styled(fullscreen).value(current.fullscreen);
  Fl_Check_Button fit(12, 66, 296, 22, "画面いっぱいに拡大する（なめらか）");
  Styled(fit).value(current.scaling == Scaling::kFit);
  Fl_Check_Button fixed_speed(12, 96, 200, 22, "文字の速さを固定（ミリ秒）");
  Styled(fixed_speed).value(current.text_speed_ms >= 0);
  Fl_Spinner speed(224, 96, 84, 22);
  SetUpNumber(speed, 0, 1000, 5, current.text_speed_ms >= 0 ? current.text_speed_ms : 30);
  Fl_Box auto_label(12, 126, 200, 22, "オートの待ち時間（ミリ秒）");
  Styled(auto_label).align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
  Fl_Spinner auto_delay(224, 126, 84, 22);
  SetUpNumber(auto_delay, 0, 60000, 100, current.auto_delay_ms);
  Fl_Check_Button skip_unread(12, 156, 296, 22, "未読の文もスキップする");
  Styled(skip_unread).value(current.skip_unread);
  Fl_Check_Button strict(12, 180, 296, 22, "元のままに遊ぶ（補助機能なし）");
  Styled(strict).value(current.strict);

  bool accepted = false;
  Fl_Button ok(76, 222, 80, 26, "ＯＫ");
  Styled(ok).shortcut(FL_Enter);
  ok.callback(
      [](Fl_Widget* button, void* data) {
        *static_cast<bool*>(data) = true;
        button->window()->hide();
      },
      &accepted);
  Fl_Button cancel(166, 222, 80, 26, "キャンセル");
  Styled(cancel).callback([](Fl_Widget* button, void*) { button->window()->hide(); });
  window.end();
  window.position((Fl::w() - kWidth) / 2, (Fl::h() - kHeight) / 2);
  window.set_modal();
  ShowNamedWindow(window);
  ok.take_focus();
  while (window.shown()) Fl::wait();  // Esc and the window frame hide it without OK
  if (!accepted) return std::nullopt;

  SettingsValues edited = current;
  edited.volume = static_cast<int>(std::lround(volume.value()));
  edited.muted = muted.value() != 0;
  edited.fullscreen = fullscreen.value() != 0;
  edited.scaling = fit.value() ? Scaling::kFit : Scaling::kWhole;
  edited.text_speed_ms = fixed_speed.value() ? static_cast<int>(std::lround(speed.value())) : -1;
  edited.auto_delay_ms = static_cast<int>(std::lround(auto_delay.value()));
  edited.skip_unread = skip_unread.value() != 0;
  edited.strict = strict.value() != 0;
  return edited;
}

class FltkSettingsEditor final : public SettingsEditor {
 public:
  std::optional<SettingsValues> Edit(const SettingsValues& current) override {
    if (!OpenFltkDisplay()) return std::nullopt;  // no window system: nothing can be edited
    const std::optional<SettingsValues> edited = RunDialog(current);
    // The game's own loop runs next, not FLTK's: the closed window's removal is sent to the window
    // system now, or it would stay on the screen.
    Fl::flush();
    return edited;
  }
};

}  // namespace

std::unique_ptr<SettingsEditor> MakeFltkSettingsEditor() {
  return std::make_unique<FltkSettingsEditor>();
}

}  // namespace corv
