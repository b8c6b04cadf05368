// Placeholder until the dialogs are built: message boxes go to stderr, the file dialog is cancelled.
#include <cstdio>

#include "platform/dialogs.h"

namespace corv {
namespace {
class StderrDialogs final : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override { return std::nullopt; }
};
}  // namespace
std::unique_ptr<Dialogs> MakeHeadlessDialogs() { return std::make_unique<StderrDialogs>(); }
std::unique_ptr<Dialogs> MakeFltkDialogs() { return std::make_unique<StderrDialogs>(); }
}  // namespace corv
