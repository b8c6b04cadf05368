// Waiting for the player: timed pauses, click waits, choices, and the scene redraw.
#pragma once

#include <cstdint>

#include "core/player.h"

namespace corv {

enum class Present { kNo, kYes };

// How a wait ended. A load chosen in the system menu opened from a wait ends that wait at once: the game
// waits in player.menu.chosen_load, every routine between the wait and the interpreter loop returns
// without drawing or changing anything more (routines that return something else look at LoadChosen),
// and the loop puts the game in place before the next instruction.
enum class [[nodiscard]] WaitEnd{
    kTimeUp,     // TimedWait ran its length
    kClicked,    // TimedWait was ended by a left click, or a key or skip that acts as one
    kChosen,     // WaitForChoice: an option, or the click of a click wait, was taken; ScriptPosition is set
    kLoadChosen  // a saved game was chosen under "L O A D"
};

// Whether a saved game chosen in the system menu is waiting to be put in place.
bool LoadChosen(const Player& player);

WaitEnd TimedWait(Player& player, int32_t ms);
void RegisterChoice(Player& player);    // the registering half of opcode 131
WaitEnd WaitForChoice(Player& player);  // opcode 9, and the click wait of message text
void RedrawScene(Player& player, Present present);
void DrawChoiceBox(Player& player, int32_t height);
// DrawChoices and HitTestChoices can scroll page text, whose pauses can open the menu: after them, look
// at LoadChosen.
void DrawChoices(Player& player, Surface& surface, int highlighted, int n);
int HitTestChoices(Player& player, int n);
void ShowClickMarker(Player& player, int n);

}  // namespace corv
