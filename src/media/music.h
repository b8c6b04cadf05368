// Music: one looping MIDI piece at a time, through the sequencer's command strings.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

int32_t PlayMusic(Player& player, const std::string& path);
void PlayMusicCommand(Player& player);  // opcode 6

}  // namespace corv
