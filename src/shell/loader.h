// Loading the game file: the loading screen, the whole file read once, and the tables built from it.
#pragma once

#include <string>

#include "core/player.h"

namespace corv {

// The largest game file the player accepts; anything larger is refused before memory is spent on it.
inline constexpr int64_t kMaxGameFileBytes = 256 * 1024 * 1024;

// Shows "Now Loading...", reads the file and builds every table. On failure returns false and puts one
// line into *error saying what was wrong and at which position.
bool LoadGame(Player& player, const std::string& path, std::string* error);

// The table-building half of LoadGame, over bytes already in memory (no screen, no file).
bool BuildTables(Player& player, std::string* error);

// The loading screen: the white-to-dark-blue gradient with "Now Loading..." at (260, 240), presented.
void ShowLoadingScreen(Player& player);

}  // namespace corv
