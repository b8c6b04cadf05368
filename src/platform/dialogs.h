// Dialogs and message boxes of the window system.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace corv {

enum class MessageIcon { kStop, kInformation };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows a modal message box with an OK button; returns when the player closes it. Texts are UTF-8.
  virtual void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // The open-file dialog; nullopt when cancelled or when it failed. `filter` is a description and a pattern
  // separated by a tab or a NUL, such as "ゲームファイル(*.ADV)\t*.ADV"; the pattern matches names in any
  // letter case.
  virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) = 0;
  // The folder the open-file dialog starts in (the last game's folder); empty: the current folder.
  virtual void SetStartFolder(const std::string&) {}
};

// The filter as the file chooser takes it: "description\tpattern", each letter of the pattern turned into
// a class of both cases ("*.ADV" becomes "*.[Aa][Dd][Vv]"); alternatives within the pattern are kept. A
// pattern in parentheses at the end of the description is left out there, since the chooser shows it.
std::string ChooserFilter(const std::string& filter);

// Dialogs for players, with FLTK; message boxes are also written to stderr.
std::unique_ptr<Dialogs> MakeFltkDialogs();

// The characters of `utf8` that the dialogs' font has no glyph for (they would be drawn as empty boxes), in
// order; empty when every character is drawn. Opens the display connection; with none, it cannot tell and
// returns a non-empty text.
[[nodiscard]] std::u32string MissingDialogGlyphs(const std::string& utf8);

// Dialogs that show nothing: message boxes go to stderr only, the open-file dialog is cancelled.
std::unique_ptr<Dialogs> MakeHeadlessDialogs();

}  // namespace corv
