// Placeholder until message text is built.
#include "script/message_text.h"
#include "shell/unsupported.h"

namespace corv {
std::u32string ToFullWidth(const std::u32string& text) { return text; }
void ShowMessageText(Player& player) { Unsupported(player, "message text"); }
void DrawWindowText(Player& player, const std::u32string&) { Unsupported(player, "window text"); }
void DrawPageText(Player& player, const std::u32string&) { Unsupported(player, "page text"); }
int32_t ScrollPageText(Player& player, int32_t) { Unsupported(player, "page scrolling"); }
void DrawWindowPicture(Player& player) { Unsupported(player, "the window picture"); }
void ShowMessage(Player& player) { Unsupported(player, "opcode 130 (message)"); }
}  // namespace corv
