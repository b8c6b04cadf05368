// Waiting for the player: timed pauses, click waits, choices, and the scene redraw.
#pragma once

#include <cstdint>

#include "core/player.h"

namespace corv {

enum class Present { kNo, kYes };

int TimedWait(Player& player, int32_t ms);  // 1 when a left click ended it, else 0
void RegisterChoice(Player& player);        // the registering half of opcode 131
void WaitForChoice(Player& player);         // opcode 9, and the click wait of message text
void RedrawScene(Player& player, Present present);
void DrawChoiceBox(Player& player, int32_t height);
void DrawChoices(Player& player, Surface& surface, int highlighted, int n);
int HitTestChoices(Player& player, int n);
void ShowClickMarker(Player& player, int n);

}  // namespace corv
