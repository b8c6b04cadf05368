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

// Thrown when the folder of the slot files exists but cannot be listed, or is not a folder.
struct SlotFolderUnreadable {
  std::string reason;  // the folder and the system's reason
};

// The regular file at `path` as its folder spells it, matched in any letter case; nullopt when there is
// none (a symbolic link does not count). Throws SlotFolderUnreadable.
std::optional<std::string> FindSlotFile(const std::string& path);

// A modification time (seconds since 1970) as "YYYY/MM/DD hh:mm:ss" in local time; times before year 1
// or after year 9999 show as the first or the last second of that range.
std::u32string TimeLabel(int64_t seconds);

// The label of slot n: its file's modification time (TimeLabel), or "  Ｎｏ　Ｄａｔａ" when the slot has
// no file.
std::u32string SlotLabel(Player& player, int32_t n);

// Draws the five labels, slot `highlighted` (1 to 5) highlighted; with refresh the labels are looked up
// again first, otherwise drawn from SlotLabels.
void DrawSlotList(Player& player, Surface& surface, int highlighted, bool refresh);

// The slot screen's input loop: the chosen slot 1 to 5, or -1 for a right click.
int SelectSlot(Player& player);

// Writes the game into slot n, first removing what saves into that folder left behind when they were
// killed; a failure is shown on the panel and on stderr.
void SaveToSlot(Player& player, int32_t n);

// Reads slot n; a missing, damaged, foreign or unreadable file is shown on the panel and on stderr,
// and nothing is loaded.
std::optional<SavedGame> LoadFromSlot(Player& player, int32_t n);

}  // namespace corv
