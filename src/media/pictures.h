// Picture slots and the picture commands.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

// Loads the bitmap file into the slot; false, with *error saying why when given, if it cannot.
bool LoadPictureSlot(Player& player, const std::string& path, int slot, std::string* error = nullptr);
void ShowBackground(Player& player);               // opcode 129
void ShowLayerPicture(Player& player, int layer);  // opcodes 137 (layer 1) and 142 (layer 3)

}  // namespace corv
