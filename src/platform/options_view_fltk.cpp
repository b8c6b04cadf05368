// The table-driven dialog window with FLTK: frames with their caption on the top edge, radio buttons
// grouped by their parent, command buttons that Enter and Space press when focused.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>

#include <map>

#include "platform/fltk_support.h"
#include "platform/options_view.h"

namespace corv {
namespace {

// A group drawn as an etched rectangle whose caption interrupts the top edge.
class FrameGroup final : public Fl_Group {
 public:
  FrameGroup(int x, int y, int w, int h, const char* caption) : Fl_Group(x, y, w, h) {
    copy_label(caption);
    box(FL_NO_BOX);
  }

 protected:
  void draw() override {
    fl_font(labelfont(), labelsize());
    const int line_y = y() + fl_height() / 2;
    fl_color(color());
    fl_rectf(x(), y(), w(), h());
    fl_draw_box(FL_ENGRAVED_FRAME, x(), line_y, w(), h() - (line_y - y()), color());
    int label_w = 0, label_h = 0;
    fl_measure(label(), label_w, label_h, 0);
    fl_color(color());
    fl_rectf(x() + 6, y(), label_w + 4, fl_height());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    fl_draw(label(), x() + 8, y() + fl_height() - fl_descent());
    draw_children();
  }
};

class FltkDialogView;

// The window: the frame close goes to the listener, Enter presses the focused command button.
class DialogWindow final : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, const char* caption, FltkDialogView& view)
      : Fl_Double_Window(w, h), view_(view) {
    copy_label(caption);
  }
  int handle(int event) override;

 private:
  FltkDialogView& view_;
};

class FltkDialogView final : public DialogView {
 public:
  FltkDialogView(const DialogLayout& layout, DialogEvents& events)
      : events_(events), window_(layout.width, layout.height, layout.caption.c_str(), *this) {
    window_.end();
    window_.position((Fl::w() - layout.width) / 2, (Fl::h() - layout.height) / 2);
    window_.callback(&FltkDialogView::OnFrameClose, this);
    for (const DialogControl& control : layout.controls) Build(control);
  }
  ~FltkDialogView() override { window_.hide(); }

  void Show() override {
    ShowNamedWindow(window_);
    Fl::flush();
  }
  void SetEnabled(int id, bool enabled) override {
    if (Fl_Widget* widget = Find(id)) enabled ? widget->activate() : widget->deactivate();
  }
  void Select(int id) override {
    if (Fl_Widget* widget = Find(id); widget != nullptr && widget->type() == FL_RADIO_BUTTON) {
      static_cast<Fl_Button*>(widget)->setonly();
    }
  }
  void Focus(int id) override {
    if (Fl_Widget* widget = Find(id)) widget->take_focus();
  }
  void Close() override {
    window_.hide();
    Fl::flush();
  }
  void DeliverEvents() override { Fl::wait(0.5); }

  // Enter presses the focused command button, or else the first one of the table (the dialog's default)
  // when it is enabled.
  bool PressWithEnter() {
    for (Fl_Widget* widget : buttons_) {
      if (Fl::focus() == widget && widget->active_r()) return Press(widget);
    }
    if (!buttons_.empty() && buttons_.front()->active_r()) return Press(buttons_.front());
    return false;
  }

 private:
  static bool Press(Fl_Widget* widget) {
    widget->do_callback();
    return true;
  }

  Fl_Widget* Find(int id) {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
  }

  void Build(const DialogControl& control) {
    Fl_Group* parent = &window_;
    int x = control.x, y = control.y;
    if (control.parent >= 0) {
      Fl_Widget* frame = Find(control.parent);
      if (frame == nullptr || frame->as_group() == nullptr) return;
      parent = frame->as_group();
      x += frame->x();
      y += frame->y();
    }
    Fl_Widget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::kFrame:
        widget = new FrameGroup(x, y, control.width, control.height, control.caption.c_str());
        static_cast<Fl_Group*>(widget)->end();
        break;
      case ControlKind::kRadio: {
        auto* radio = new Fl_Round_Button(x, y, control.width, control.height);
        radio->type(FL_RADIO_BUTTON);
        radio->box(FL_FLAT_BOX);
        radio->down_box(FL_ROUND_DOWN_BOX);
        radio->value(control.selected ? 1 : 0);
        widget = radio;
        break;
      }
      case ControlKind::kButton:
        widget = new Fl_Button(x, y, control.width, control.height);
        buttons_.push_back(widget);
        break;
    }
    if (control.kind != ControlKind::kFrame) widget->copy_label(control.caption.c_str());
    widget->labelfont(DialogFont());
    widget->labelsize(kDialogFontSize);
    widget->labelcolor(FltkColour(control.text_colour));
    widget->color(control.back_colour ? FltkColour(*control.back_colour) : window_.color());
    widget->callback(&FltkDialogView::OnClick, this);
    ids_[widget] = control.id;
    if (!control.enabled) widget->deactivate();
    parent->add(widget);
    widgets_[control.id] = widget;
  }

  static void OnClick(Fl_Widget* widget, void* data) {
    auto* view = static_cast<FltkDialogView*>(data);
    // A radio button reports only when it becomes selected, as a click on a selected one changes nothing.
    if (widget->type() == FL_RADIO_BUTTON && static_cast<Fl_Button*>(widget)->value() == 0) return;
    view->events_.Clicked(view->ids_.at(widget));
  }

  static void OnFrameClose(Fl_Widget*, void* data) {
    static_cast<FltkDialogView*>(data)->events_.FrameClosed();
  }

  DialogEvents& events_;
  DialogWindow window_;
  std::map<int, Fl_Widget*> widgets_;
  std::map<Fl_Widget*, int> ids_;
  std::vector<Fl_Widget*> buttons_;
};

int DialogWindow::handle(int event) {
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT) &&
      (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) && view_.PressWithEnter()) {
    return 1;
  }
  return Fl_Double_Window::handle(event);
}

}  // namespace

std::unique_ptr<DialogView> MakeFltkDialogView(const DialogLayout& layout, DialogEvents& events) {
  if (!OpenFltkDisplay()) return nullptr;
  return std::make_unique<FltkDialogView>(layout, events);
}

}  // namespace corv
