#include "interaction/system_menu.h"

#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "core/events.h"
#include "core/shutdown.h"
#include "interaction/comforts.h"
#include "interaction/info_screen.h"
#include "interaction/save_game.h"
#include "interaction/slot_screen.h"
#include "media/shading.h"
#include "media/transfers.h"

namespace corv {
namespace {

struct MenuEntry {
  const char32_t* label;
  int x;
};

constexpr std::array<MenuEntry, 5> kMenuEntries = {{
    {U"S A V E", 270},
    {U"L O A D", 270},
    {U"O P T I O N", 242},
    {U"E X I T", 270},
    {U"C A N C E L", 242},
}};

enum MenuResult { kSave = 1, kLoad = 2, kOption = 3, kExit = 4, kCancel = 5, kRightClick = -1 };

// The panel's colour, (32, 32, 64), and its rectangle.
constexpr int32_t kPanelRed = 32, kPanelGreen = 32, kPanelBlue = 64;
constexpr uint32_t kPanelBgr = 0x402020;
constexpr int kPanelX = 210, kPanelY = 140, kPanelWidth = 220, kPanelHeight = 200;

Status DrawPanel(Player& player) {
  Screen& screen = player.screen;
  const int depth = player.settings.ColourDepth;
  if (player.settings.DrawingMode < 1) {
    screen.MenuSaveSurface.fill_colour = kPanelBgr;
    screen.MenuSaveSurface.fore_colour = kPanelBgr;
    DrawBox(screen.MenuSaveSurface, kPanelX, kPanelY, kPanelX + kPanelWidth, kPanelY + kPanelHeight);
    return {};
  }
  if (!BlendRect(screen.MenuSaveSurface, depth, kPanelX, kPanelY, kPanelWidth, kPanelHeight, kPanelRed,
                 kPanelGreen, kPanelBlue, 60)) {
    return Fail("the menu's panel cannot be drawn");
  }
  if (player.settings.DrawingMode != 2) return {};
  // Fine mode: the panel fades in over five flips before the entries appear.
  for (int i = 1; i <= 5; ++i) {
    CopyWorkToBack(player);
    BlendRect(screen.BackBuffer, depth, kPanelX, kPanelY, kPanelWidth, kPanelHeight, kPanelRed, kPanelGreen,
              kPanelBlue, 10 * i);
    FlipToScreen(player);
  }
  return {};
}

// Says on stderr and on the panel why the slot screen could not do what was asked.
Status ReportSlotFailure(Player& player, const std::string& what, const std::u32string& notice) {
  std::fprintf(stderr, "corvalline: %s\n", what.c_str());
  return ShowMenuNotice(player, notice);
}

Status ReportFolderUnreadable(Player& player, int entry, const std::string& reason) {
  return ReportSlotFailure(player, "the save folder cannot be read: " + reason,
                           entry == kSave ? U"セーブできませんでした。" : U"データを読み込めません。");
}

Status ReportSaveFailure(Player& player, const Status& saved) {
  switch (saved.reason<SaveFailure>()) {
    case SaveFailure::kNothingToSave:
      return ReportSlotFailure(player, saved.error(), U"今はセーブできません。");
    case SaveFailure::kFolderUnreadable:
      return ReportFolderUnreadable(player, kSave, saved.error());
    default:
      return ReportSlotFailure(player, "the game was not saved: " + saved.error(),
                               U"セーブできませんでした。");
  }
}

Status ReportLoadFailure(Player& player, const Result<SavedGame>& loaded) {
  switch (loaded.reason<SaveFileProblem>()) {
    case SaveFileProblem::kNoFile:
      return ShowMenuNotice(player, U"データがありません。");
    case SaveFileProblem::kFolderUnreadable:
      return ReportFolderUnreadable(player, kLoad, loaded.error());
    case SaveFileProblem::kOtherGame:
      return ReportSlotFailure(player, loaded.error(), U"別のゲームのデータです。");
    case SaveFileProblem::kNewerVersion:
      return ReportSlotFailure(player, loaded.error(), U"新しい版のデータです。");
    case SaveFileProblem::kUnreadable:
      return ReportSlotFailure(player, loaded.error(), U"データを読み込めません。");
    default:
      return ReportSlotFailure(player, loaded.error(), U"データが壊れています。");
  }
}

using MenuOutcome = Result<std::optional<SavedGame>>;  // the game chosen under "L O A D", if any

// Nothing to load, or the failure of a drawing step.
MenuOutcome NothingOr(const Status& status) {
  if (!status) return status.failure();
  return std::optional<SavedGame>();
}

// The slot screen, shared by "S A V E" and "L O A D"; gives the game to load, if one was chosen.
MenuOutcome RunSlotScreen(Player& player, int entry) {
  CopyMenuSaveToBack(player);
  if (const Status listed = RefreshSlotLabels(player); !listed) {
    return NothingOr(ReportFolderUnreadable(player, entry, listed.error()));
  }
  if (const Status drawn = DrawSlotList(player, player.screen.BackBuffer, -1); !drawn) return drawn.failure();
  FlipToScreen(player);
  const Result<int> slot = SelectSlot(player);
  if (!slot || *slot < 1) return NothingOr(slot ? Status() : Status(slot.failure()));
  if (entry == kSave) {
    const Status saved = SaveToSlot(player, *slot);
    return NothingOr(saved ? Status() : ReportSaveFailure(player, saved));
  }
  Result<SavedGame> loaded = LoadFromSlot(player, *slot);
  if (!loaded) return NothingOr(ReportLoadFailure(player, loaded));
  return std::optional<SavedGame>(std::move(loaded).value());
}

// Everything between opening the menu and putting the page back.
MenuOutcome RunMenu(Player& player) {
  CopyWorkToMenuSave(player);
  if (const Status panel = DrawPanel(player); !panel) return panel.failure();
  CopyMenuSaveToBack(player);
  if (const Status drawn = DrawMenuEntries(player, player.screen.BackBuffer, -1); !drawn) {
    return drawn.failure();
  }
  FlipToScreen(player);
  const Result<int> entry = SelectMenuEntry(player);
  if (!entry) return entry.failure();
  switch (*entry) {
    case kSave:
    case kLoad:
      return RunSlotScreen(player, *entry);
    case kOption:
      return NothingOr(InfoScreen(player));
    case kExit:
      EndProgram(player);
    default:
      return std::optional<SavedGame>();
  }
}

}  // namespace

int MenuRowAt(int32_t x, int32_t y, int first, int height) {
  if (!(x > 210 && x < 420 && y > 140 && y < 340)) return -1;
  for (int i = 0; i <= 5; ++i) {
    const int top = first + 30 * i;
    if (y > top && y < top + height) return i;
  }
  return -1;
}

Status DrawMenuText(Player& player, Surface& surface, int x, int y, const std::u32string& text) {
  if (!player.services.glyphs || !DrawText(surface, *player.services.glyphs, x, y, text)) {
    return Fail("the menu's text cannot be drawn");
  }
  return {};
}

Status DrawMenuRow(Player& player, Surface& surface, int x, int y, const std::u32string& label,
                   bool highlighted) {
  FontSpec& font = player.screen.TextFont;
  if (highlighted) {
    surface.fore_colour = 0x7F7F7F;
    font.bold = true;
    x -= static_cast<int>(label.size()) / 2;
  } else {
    surface.fore_colour = 0x303030;
    font.bold = false;
  }
  surface.font = font;
  if (Status shadow = DrawMenuText(player, surface, x + 2, y + 2, label); !shadow) return shadow;
  surface.fore_colour = highlighted ? 0xFFFFFF : 0xA0A0A0;
  return DrawMenuText(player, surface, x, y, label);
}

Status DrawMenuList(Player& player, Surface& surface, double size_pt, int highlighted,
                    const std::vector<MenuListRow>& rows) {
  const FontSizeScope list_size(player.screen.TextFont, surface, size_pt);
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const MenuListRow& row = rows[i];
    if (Status drawn = DrawMenuRow(player, surface, row.x, row.y, row.label, i == highlighted); !drawn) {
      return drawn;
    }
  }
  return {};
}

Status DrawMenuEntries(Player& player, Surface& surface, int highlighted) {
  std::vector<MenuListRow> rows;
  for (int i = 0; i < static_cast<int>(kMenuEntries.size()); ++i) {
    rows.push_back({kMenuEntries[i].x, 165 + 30 * i, kMenuEntries[i].label});
  }
  return DrawMenuList(player, surface, 20, highlighted, rows);
}

Result<int> SelectMenuRow(Player& player, int rows, int first, int height,
                          const std::function<Status(Surface&, int)>& draw) {
  InputState& input = player.input;
  ClearWaitInput(input);
  int result = 0;
  int key_row = -1;
  KeptFrame kept;
  while (result == 0) {
    DoEvents(player);
    if (input.RightClicked) {
      input.RightClicked = false;
      result = -1;
    }
    int pointer_row = MenuRowAt(input.PointerX, input.PointerY, first, height);
    if (pointer_row >= rows) pointer_row = -1;
    bool picked = false;
    const int row = KeyboardRow(player, key_row, rows, pointer_row, &picked);
    CopyMenuSaveToBack(player);
    Status drawn;
    kept.DrawOn(player.screen.BackBuffer, row, [&](Surface& back) { drawn = draw(back, row); });
    if (!drawn) return drawn.failure();
    FlipToScreen(player);
    if (input.LeftClicked) {
      input.LeftClicked = false;
      if (pointer_row >= 0) result = pointer_row + 1;  // overrides a right click in the same pass
    } else if (picked) {
      result = row + 1;
    }
    NoteWaitingForPlayer(player);
  }
  return result;
}

Result<int> SelectMenuEntry(Player& player) {
  return SelectMenuRow(player, static_cast<int>(kMenuEntries.size()), 165, 20,
                       [&](Surface& back, int row) { return DrawMenuEntries(player, back, row); });
}

Status ShowMenuNotice(Player& player, const std::u32string& line) {
  Screen& screen = player.screen;
  InputState& input = player.input;
  const FontSpec saved = screen.TextFont;
  ClearWaitInput(input);
  KeptFrame kept;
  while (!input.LeftClicked && !input.RightClicked && input.PendingKey != WaitKey::kConfirm) {
    CopyMenuSaveToBack(player);
    Status drawn;
    kept.DrawOn(screen.BackBuffer, 0, [&](Surface& back) {
      screen.TextFont.size_pt = 12;
      screen.TextFont.bold = false;
      back.font = screen.TextFont;
      back.fore_colour = 0xFFFFFF;
      drawn = DrawMenuText(player, back, 222, 200, line);
      if (!drawn) return;
      back.fore_colour = 0xA0A0A0;
      drawn = DrawMenuText(player, back, 222, 260, U"クリックで戻ります。");
    });
    if (!drawn) return drawn;
    FlipToScreen(player);
    DoEvents(player);
    NoteWaitingForPlayer(player);
  }
  ClearWaitInput(input);
  screen.TextFont = saved;
  return {};
}

int32_t SystemMenu(Player& player) {
  const FontSpec saved_font = player.screen.TextFont;
  MenuOutcome outcome = RunMenu(player);
  if (!outcome) return -1;  // the screen and the font are left as they are
  PresentWork(player);
  player.screen.TextFont = saved_font;
  if (!*outcome) return 0;
  player.menu.chosen_load = std::move(*outcome);
  return kMenuLoadChosen;
}

}  // namespace corv
