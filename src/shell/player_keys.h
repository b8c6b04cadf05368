// Keys of the player's own, which games never see: - and + set the music volume in steps of 10 %, M
// mutes and unmutes it, F12 keeps the frame on screen as a PNG file, F1 opens the settings dialog.
#pragma once

#include <optional>
#include <string>

#include "core/player.h"

namespace corv {

// Handles the key if it is one of the player's own; false for every other key.
bool HandlePlayerKey(Player& player, int key_code);

// Fills in the player's hooks into the yield and the way out: these keys, the corner note's end and the
// record of messages read. Done once a game is started, before the script runs.
void InstallHooks(Player& player);

// Applies the remembered volume and mute to the sequencer.
void ApplyVolume(Player& player);

// Writes the frame on screen to `folder` as GAME-YYYYMMDD-HHMMSS.png (the game file's name, the local
// time; -2, -3 ... added when that name is taken) and returns the file's path, or nullopt with *error.
[[nodiscard]] std::optional<std::string> SaveScreenshot(const Player& player, const std::string& folder,
                                                        std::string* error);

}  // namespace corv
