// Loading the game file: the loading screen, the whole file read once, and the tables built from it.
#pragma once

#include <string>

#include "core/player.h"
#include "platform/result.h"

namespace corv {

// Shows "Now Loading...", reads the file and builds every table. A failure says in one line what was
// wrong and at which position.
[[nodiscard]] Status LoadGame(Player& player, const std::string& path);

// The table-building half of LoadGame, over bytes already in memory (no screen, no file).
[[nodiscard]] Status BuildTables(Player& player);

// The loading screen: the white-to-dark-blue gradient with "Now Loading..." at (260, 240), presented.
void ShowLoadingScreen(Player& player);

}  // namespace corv
