// Opening the display: the options dialog, the 640 x 480 mode, every frame surface and the text font.
#pragma once

#include <string>

#include "core/player.h"
#include "shell/options_dialog.h"

namespace corv {

// False when no usable mode exists (after the "このコンピュータ上では実行できません。" message) or a
// display call failed; *error then says what went wrong.
bool InitDisplay(Player& player, OptionsDialog& dialog, std::string* error);
bool OpenScreen(Player& player, OptionsDialog& dialog, std::string* error);
void PrepareKeyedLayer(Player& player);

// Creates the frame surfaces and the keyed layer in the current ColourDepth without any display: what
// OpenScreen does after the mode switch. Tests use it to build a player in-process.
void CreateSurfaces(Player& player);

}  // namespace corv
