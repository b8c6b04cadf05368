// Placeholders until the media routines are built.
#include "media/message_window.h"
#include "media/pictures.h"
#include "media/shading.h"
#include "shell/unsupported.h"

namespace corv {
int32_t PackColour(int, int32_t&, int32_t&, int32_t&) { return 0; }
bool DarkenRect(Surface&, int, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
bool BlendRect(Surface&, int, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  return false;
}
bool LoadPictureSlot(Player&, const std::string&, int) { return false; }
void ShowBackground(Player& player) { Unsupported(player, "opcode 129 (background)"); }
void ShowLayerPicture(Player& player, int) { Unsupported(player, "opcodes 137/142 (layer pictures)"); }
void DrawMessageWindow(Player& player, int32_t, int32_t, int32_t) { Unsupported(player, "the message window"); }
}  // namespace corv
