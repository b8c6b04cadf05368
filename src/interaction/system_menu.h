// The system menu opened by a right click during any wait: "S A V E", "L O A D", "O P T I O N",
// "E X I T" and "C A N C E L" on a dark panel in the middle of the screen. It runs nested inside the
// wait that opened it, draws only on MenuSaveSurface and BackBuffer, and returns to the wait with the
// page as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/player.h"
#include "platform/result.h"

namespace corv {

// SystemMenu's result when a saved game was chosen under "L O A D": the game is in
// player.menu.chosen_load, and the wait that opened the menu ends (WaitEnd::kLoadChosen).
inline constexpr int32_t kMenuLoadChosen = 1;

// 0 normally, -1 when a drawing step failed, kMenuLoadChosen. Does not return when "E X I T" is chosen
// (ProgramExit).
[[nodiscard]] int32_t SystemMenu(Player& player);

// The menu's input loop: 1 to 5 for the entries, -1 for a right click.
Result<int> SelectMenuEntry(Player& player);

// The input loop of a list of `rows` rows on the menu's panel (rows as MenuRowAt finds them, lit by the
// pointer or the keyboard): `draw` draws the list with a row lit (-1: none) over the panel. Returns the row
// picked, counted from 1, or -1 for a right click.
Result<int> SelectMenuRow(Player& player, int rows, int first, int height,
                          const std::function<Status(Surface&, int)>& draw);

// Draws the five labels, row `highlighted` (0 to 4) highlighted, any other value none.
Status DrawMenuEntries(Player& player, Surface& surface, int highlighted);

// One row of the menu's lists: the shadow at (x + 2, y + 2), the label at (x, y); a highlighted row is
// bold, brighter, and moved left by half the label's length. The font is given to the surface first.
//
// These drawing routines, and the loops and screens of the menu, fail when a drawing step fails: the
// menu then ends at once with -1, leaving the screen and the font as they are.
Status DrawMenuRow(Player& player, Surface& surface, int x, int y, const std::u32string& label,
                   bool highlighted);

// One row of a list on the menu's panel.
struct MenuListRow {
  int x;
  int y;
  std::u32string label;
};

// Draws the rows with TextFont at size_pt points, row `highlighted` (counted from 0; any other value
// none) highlighted; the font's size then comes back, rounded to whole points, with bold off.
Status DrawMenuList(Player& player, Surface& surface, double size_pt, int highlighted,
                    const std::vector<MenuListRow>& rows);

// Draws text in the surface's current colour and font.
Status DrawMenuText(Player& player, Surface& surface, int x, int y, const std::u32string& text);

// The row of a list under the pointer: rows start at y first + 30 i and are sensitive strictly between
// first and first + height; only inside the panel's hit area (210 < x < 420, 140 < y < 340), with
// i from 0 to 5 (row 5 lies below every list and highlights nothing). -1 when none.
int MenuRowAt(int32_t x, int32_t y, int first, int height);

// Shows a short notice on the menu's panel until the next click, left or right.
Status ShowMenuNotice(Player& player, const std::u32string& line);

}  // namespace corv
