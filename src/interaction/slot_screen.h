// The slot screen opened by "S A V E" and "L O A D": five slots on the menu's panel, each showing when
// its slot file was last written or "  Ｎｏ　Ｄａｔａ".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/player.h"
#include "interaction/save_game.h"

namespace corv {

inline constexpr int kSlotCount = 5;

// The folder slot files live in, ending in '/': SaveFolder when --save-dir gave one; otherwise the game
// folder while it can be written, else the user's data folder (DataFolder).
std::string SlotFolder(Player& player);

// $XDG_DATA_HOME (or ~/.local/share) + "/corvalline/" + the game file's name without extension + "/".
std::string DataFolder(const Player& player);

// The path of slot n's file: the slot folder, the game file's name without its last 4 characters, n,
// ".SAV" (STORY.ADV has STORY1.SAV to STORY5.SAV).
std::string SlotFileName(Player& player, int32_t n);

// A modification time (seconds since 1970) as "YYYY/MM/DD hh:mm:ss" in local time; times before year 1
// or after year 9999 show as the first or the last second of that range.
std::u32string TimeLabel(int64_t seconds);

// The label of slot n: its file's modification time (TimeLabel), or "  Ｎｏ　Ｄａｔａ" when the slot has
// no file. Fails when the slot folder cannot be listed.
Result<std::u32string> SlotLabel(Player& player, int32_t n);

// Looks the five labels up again into SlotLabels; fails when the slot folder cannot be listed.
Status RefreshSlotLabels(Player& player);

// Draws the five labels from SlotLabels, slot `highlighted` (1 to 5) highlighted.
Status DrawSlotList(Player& player, Surface& surface, int highlighted);

// The slot screen's input loop: the chosen slot 1 to 5, or -1 for a right click.
Result<int> SelectSlot(Player& player);

// Why SaveToSlot failed: its reason().
enum class SaveFailure { kNone, kNothingToSave, kFolderUnreadable, kWriteFailed };

// Writes the game into slot n (the slot file it replaces is kept as its name + ".bak"), first removing
// what saves into that folder left behind when they were killed. Nothing changes when it fails.
Status SaveToSlot(Player& player, int32_t n);

// Reads slot n; the failure's reason is a SaveFileProblem (kNoFile for an empty slot, kFolderUnreadable
// when the slot folder cannot be listed).
Result<SavedGame> LoadFromSlot(Player& player, int32_t n);

}  // namespace corv
