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

// The widgets below are made with new: the window they are made in owns them and deletes them.

// A label to the left of its field.
void Label(int x, int y, int w, const char* text) {
  Styled(*new Fl_Box(x, y, w, 22, text)).align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
}

Fl_Check_Button* CheckBox(int x, int y, int w, const char* text, bool on) {
  auto* box = new Fl_Check_Button(x, y, w, 22, text);
  Styled(*box).value(on);
  return box;
}

// A number to choose, between low and high in steps, with its digits in the dialog's size.
template <class Field>
Field* Number(int x, int y, int w, double low, double high, double step, double value) {
  auto* field = new Field(x, y, w, 22);
  field->range(low, high);
  field->step(step);
  field->value(value);
  Styled(*field).textsize(kDialogFontSize);
  return field;
}

std::optional<SettingsValues> RunDialog(const SettingsValues& current) {
  constexpr int kWidth = 320, kHeight = 262;
  Fl_Double_Window window(kWidth, kHeight);
  window.copy_label("設定");
  Label(12, 12, 60, "音量");
  auto* volume = Number<Fl_Hor_Value_Slider>(76, 12, 160, 0, 100, 10, current.volume);
  auto* muted = CheckBox(244, 12, 70, "消音", current.muted);
  auto* fullscreen = CheckBox(12, 42, 296, "全画面で表示する", current.fullscreen);
  auto* fit = CheckBox(12, 66, 296, "画面いっぱいに拡大する（なめらか）", current.scaling == Scaling::kFit);
  auto* fixed_speed = CheckBox(12, 96, 200, "文字の速さを固定（ミリ秒）", current.text_speed_ms >= 0);
  auto* speed =
      Number<Fl_Spinner>(224, 96, 84, 0, 1000, 5, current.text_speed_ms >= 0 ? current.text_speed_ms : 30);
  Label(12, 126, 200, "オートの待ち時間（ミリ秒）");
  auto* auto_delay = Number<Fl_Spinner>(224, 126, 84, 0, 60000, 100, current.auto_delay_ms);
  auto* skip_unread = CheckBox(12, 156, 296, "未読の文もスキップする", current.skip_unread);
  auto* strict = CheckBox(12, 180, 296, "元のままに遊ぶ（補助機能なし）", current.strict);

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
  edited.volume = static_cast<int>(std::lround(volume->value()));
  edited.muted = muted->value() != 0;
  edited.fullscreen = fullscreen->value() != 0;
  edited.scaling = fit->value() ? Scaling::kFit : Scaling::kWhole;
  edited.text_speed_ms = fixed_speed->value() ? static_cast<int>(std::lround(speed->value())) : -1;
  edited.auto_delay_ms = static_cast<int>(std::lround(auto_delay->value()));
  edited.skip_unread = skip_unread->value() != 0;
  edited.strict = strict->value() != 0;
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
