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
  // The open-file dialog; nullopt when cancelled or when it failed.
  virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter) = 0;
};

// Dialogs for players, with FLTK; message boxes are also written to stderr.
std::unique_ptr<Dialogs> MakeFltkDialogs();

// Dialogs that show nothing: message boxes go to stderr only, the open-file dialog is cancelled.
std::unique_ptr<Dialogs> MakeHeadlessDialogs();

}  // namespace corv
