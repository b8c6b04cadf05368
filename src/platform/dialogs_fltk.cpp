// Message boxes and the open-file dialog. Every message box is also written to stderr as one line
// "title: text", so that a failure stays on record when no window can be shown.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/fltk_support.h"

namespace corv {

std::string ChooserFilter(const std::string& filter) {
  const std::string_view separators("\t\0", 2);
  const std::string_view whole(filter);
  const size_t split = whole.find_first_of(separators);
  const std::string_view description = whole.substr(0, split);
  std::string_view pattern = split == std::string_view::npos ? whole : whole.substr(split + 1);
  pattern = pattern.substr(0, pattern.find_first_of(separators));
  if (pattern.empty()) pattern = "*";

  std::string any_case;
  bool in_class = false;
  for (char c : pattern) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '[') in_class = true;
    if (c == ']') in_class = false;
    if (!in_class && std::isalpha(u)) {
      any_case += '[';
      any_case += static_cast<char>(std::toupper(u));
      any_case += static_cast<char>(std::tolower(u));
      any_case += ']';
    } else if (!in_class && c == ';') {
      any_case += ',';  // "*.A;*.B" lists alternatives
    } else {
      any_case += c;
    }
  }
  // The chooser shows the pattern after the description itself: a description that ends by naming its
  // pattern in parentheses, as the games' own filter does, would show it twice (and the first
  // parenthesis of a label is where FLTK's chooser looks for the pattern).
  std::string_view label = description;
  if (label.ends_with(')') && label.find('(') != std::string_view::npos && label.find('(') > 0)
    label = label.substr(0, label.find('('));
  std::string result(label);
  result += '\t';
  const bool alternatives = pattern.find(';') != std::string::npos;
  if (alternatives) result += '{';
  result += any_case;
  if (alternatives) result += '}';
  return result;
}

namespace {

void WriteToStderr(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

// The icon of a message box: a red disc with a white cross (stop) or a blue disc with a white "i".
class MessageIconBox final : public Fl_Widget {
 public:
  MessageIconBox(int x, int y, MessageIcon icon) : Fl_Widget(x, y, 32, 32), icon_(icon) {}

 protected:
  void draw() override {
    const bool stop = icon_ == MessageIcon::kStop;
    fl_color(stop ? fl_rgb_color(0xD0, 0x10, 0x10) : fl_rgb_color(0x20, 0x50, 0xD0));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    if (stop) {
      fl_line_style(FL_SOLID | FL_CAP_ROUND, 4);
      fl_line(x() + 10, y() + 10, x() + 21, y() + 21);
      fl_line(x() + 21, y() + 10, x() + 10, y() + 21);
      fl_line_style(0);
    } else {
      fl_rectf(x() + 14, y() + 13, 4, 12);
      fl_pie(x() + 13, y() + 6, 6, 6, 0, 360);
    }
  }

 private:
  MessageIcon icon_;
};

// The message box: icon, text, an OK button that Enter, Space and Esc all close.
void ShowMessageWindow(const std::string& text, const std::string& title, MessageIcon icon) {
  fl_font(DialogFont(), kDialogFontSize);
  int text_w = 0, text_h = 0;
  fl_measure(text.c_str(), text_w, text_h, 0);
  const int width = std::max(64 + text_w + 24, 200);
  const int text_top = 16 + std::max(0, (32 - text_h) / 2);
  const int height = 16 + std::max(32, text_h) + 16 + 23 + 12;

  Fl_Double_Window window(width, height);
  window.copy_label(title.c_str());
  MessageIconBox icon_box(16, 16, icon);
  Fl_Box label(64, text_top, text_w, text_h);
  label.copy_label(text.c_str());
  label.labelfont(DialogFont());
  label.labelsize(kDialogFontSize);
  label.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP);
  Fl_Button ok((width - 75) / 2, height - 12 - 23, 75, 23, "OK");
  ok.labelfont(DialogFont());
  ok.labelsize(kDialogFontSize);
  ok.shortcut(FL_Enter);
  ok.callback([](Fl_Widget* button, void*) { button->window()->hide(); });
  window.end();
  window.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  window.set_modal();
  ShowNamedWindow(window);
  ok.take_focus();
  while (window.shown()) Fl::wait();
}

class FltkDialogs final : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    WriteToStderr(text, title);
    if (OpenFltkDisplay()) ShowMessageWindow(text, title, icon);
  }

  std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) override {
    if (!OpenFltkDisplay()) {
      std::fprintf(stderr, "corvalline: no display for the open-file dialog\n");
      return std::nullopt;
    }
    // FLTK's own chooser, not the native (GTK) one: that one opens on "Recently Used", shows the
    // filter's description twice and prints GTK's warnings on stderr.
    std::error_code ec;
    std::string start = start_folder_;
    if (start.empty() || !std::filesystem::is_directory(start, ec))
      start = std::filesystem::current_path(ec).string();
    if (!start.empty() && start.back() != '/') start += '/';  // else the chooser takes it for a file
    const std::string chooser_filter = ChooserFilter(filter);
    const size_t tab = chooser_filter.find('\t');
    // Its filters read "Label (pattern)".
    const std::string pattern = chooser_filter.substr(0, tab) + " (" + chooser_filter.substr(tab + 1) + ")";
    // The chooser draws in FLTK's default face, which has no Japanese: it takes the dialog font.
    Fl::set_font(FL_HELVETICA, DialogFont());
    Fl_File_Chooser chooser(start.c_str(), pattern.c_str(), Fl_File_Chooser::SINGLE, title.c_str());
    chooser.show();
    // The window just shown is the chooser's own: its title goes to the window system as UTF-8 too.
    if (Fl_Window* window = Fl::first_window()) ShowNamedWindow(*window);
    while (chooser.shown()) Fl::wait();
    const char* chosen = chooser.count() > 0 ? chooser.value() : nullptr;
    if (chosen == nullptr || *chosen == '\0') return std::nullopt;
    return std::string(chosen);
  }

  void SetStartFolder(const std::string& folder) override { start_folder_ = folder; }

 private:
  std::string start_folder_;
};

class HeadlessDialogs final : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon) override {
    WriteToStderr(text, title);
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<Dialogs> MakeFltkDialogs() {
  return std::make_unique<FltkDialogs>();
}
std::unique_ptr<Dialogs> MakeHeadlessDialogs() {
  return std::make_unique<HeadlessDialogs>();
}

}  // namespace corv
