// Picture slots and the picture commands.
#pragma once

#include <string>

#include "shell/player.h"

namespace corv {

bool LoadPictureSlot(Player& player, const std::string& path, int slot);
void ShowBackground(Player& player);              // opcode 129
void ShowLayerPicture(Player& player, int layer);  // opcodes 137 (layer 1) and 142 (layer 3)

}  // namespace corv
