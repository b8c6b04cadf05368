// Placeholder until the waits and the system menu are built.
#include "interaction/waits.h"
#include "shell/unsupported.h"

namespace corv {
int TimedWait(Player& player, int32_t) { Unsupported(player, "timed waits"); }
void WaitForChoice(Player& player) { Unsupported(player, "opcode 9 (wait for the player)"); }
void DrawChoiceBox(Player& player, int32_t) { Unsupported(player, "the choice box"); }
void DrawChoices(Player& player, Surface&, int, int) { Unsupported(player, "the choice list"); }
int HitTestChoices(Player& player, int) { Unsupported(player, "choices"); }
void ShowClickMarker(Player& player, int) { Unsupported(player, "the click marker"); }
}  // namespace corv
