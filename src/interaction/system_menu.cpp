#include "interaction/system_menu.h"

#include <array>
#include <cstdio>
#include <optional>

#include "interaction/comforts.h"
#include "interaction/info_screen.h"
#include "interaction/save_game.h"
#include "interaction/slot_screen.h"
#include "media/shading.h"
#include "media/transfers.h"
#include "shell/main_window.h"
#include "shell/shutdown.h"

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

void DrawPanel(Player& player) {
  Screen& screen = player.screen;
  const int depth = player.settings.ColourDepth;
  if (player.settings.DrawingMode < 1) {
    screen.MenuSaveSurface.fill_colour = kPanelBgr;
    screen.MenuSaveSurface.fore_colour = kPanelBgr;
    DrawBox(screen.MenuSaveSurface, kPanelX, kPanelY, kPanelX + kPanelWidth, kPanelY + kPanelHeight);
    return;
  }
  if (!BlendRect(screen.MenuSaveSurface, depth, kPanelX, kPanelY, kPanelWidth, kPanelHeight, kPanelRed,
                 kPanelGreen, kPanelBlue, 60)) {
    throw MenuStepFailed{};
  }
  if (player.settings.DrawingMode != 2) return;
  // Fine mode: the panel fades in over five flips before the entries appear.
  for (int i = 1; i <= 5; ++i) {
    CopyWorkToBack(player);
    BlendRect(screen.BackBuffer, depth, kPanelX, kPanelY, kPanelWidth, kPanelHeight, kPanelRed, kPanelGreen,
              kPanelBlue, 10 * i);
    FlipToScreen(player);
  }
}

// The slot screen, shared by "S A V E" and "L O A D"; returns the game to load, if one was chosen. A save
// folder that cannot be listed is said on the panel and on stderr instead.
std::optional<SavedGame> RunSlotScreen(Player& player, int entry) {
  try {
    CopyMenuSaveToBack(player);
    DrawSlotList(player, player.screen.BackBuffer, -1, true);
    FlipToScreen(player);
    const int slot = SelectSlot(player);
    if (slot < 1) return std::nullopt;
    if (entry == kSave) {
      SaveToSlot(player, slot);
      return std::nullopt;
    }
    return LoadFromSlot(player, slot);
  } catch (const SlotFolderUnreadable& unreadable) {
    std::fprintf(stderr, "corvalline: the save folder cannot be read: %s\n", unreadable.reason.c_str());
    ShowMenuNotice(player, entry == kSave ? U"セーブできませんでした。" : U"データを読み込めません。");
    return std::nullopt;
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

void DrawMenuText(Player& player, Surface& surface, int x, int y, const std::u32string& text) {
  if (!player.services.glyphs || !DrawText(surface, *player.services.glyphs, x, y, text))
    throw MenuStepFailed{};
}

void DrawMenuRow(Player& player, Surface& surface, int x, int y, const std::u32string& label,
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
  DrawMenuText(player, surface, x + 2, y + 2, label);
  surface.fore_colour = highlighted ? 0xFFFFFF : 0xA0A0A0;
  DrawMenuText(player, surface, x, y, label);
}

void DrawMenuEntries(Player& player, Surface& surface, int highlighted) {
  const FontSizeScope menu_size(player.screen.TextFont, surface, 20);
  for (int i = 0; i < static_cast<int>(kMenuEntries.size()); ++i) {
    DrawMenuRow(player, surface, kMenuEntries[i].x, 165 + 30 * i, kMenuEntries[i].label, i == highlighted);
  }
}

int SelectMenuEntry(Player& player) {
  InputState& input = player.input;
  ClearWaitInput(input);
  int result = 0;
  int key_row = -1;
  KeptFrame kept;
  while (result == 0) {
    DoEvents(player);
    if (input.RightClicked) {
      input.RightClicked = false;
      result = kRightClick;
    }
    const int pointer_row = MenuRowAt(input.PointerX, input.PointerY, 165, 20);
    bool picked = false;
    const int rows = static_cast<int>(kMenuEntries.size());
    const int row = KeyboardRow(player, key_row, rows, pointer_row < rows ? pointer_row : -1, &picked);
    CopyMenuSaveToBack(player);
    kept.DrawOn(player.screen.BackBuffer, row, [&](Surface& back) { DrawMenuEntries(player, back, row); });
    FlipToScreen(player);
    if (input.LeftClicked) {
      input.LeftClicked = false;
      if (pointer_row >= 0 && pointer_row <= 4) result = pointer_row + 1;
    } else if (picked) {
      result = row + 1;
    }
    NoteWaitingForPlayer(player);
  }
  return result;
}

void ShowMenuNotice(Player& player, const std::u32string& line) {
  Screen& screen = player.screen;
  InputState& input = player.input;
  const FontSpec saved = screen.TextFont;
  ClearWaitInput(input);
  KeptFrame kept;
  while (!input.LeftClicked && !input.RightClicked && input.PendingKey != WaitKey::kConfirm) {
    CopyMenuSaveToBack(player);
    kept.DrawOn(screen.BackBuffer, 0, [&](Surface& back) {
      screen.TextFont.size_pt = 12;
      screen.TextFont.bold = false;
      back.font = screen.TextFont;
      back.fore_colour = 0xFFFFFF;
      DrawMenuText(player, back, 222, 200, line);
      back.fore_colour = 0xA0A0A0;
      DrawMenuText(player, back, 222, 260, U"クリックで戻ります。");
    });
    FlipToScreen(player);
    DoEvents(player);
    NoteWaitingForPlayer(player);
  }
  ClearWaitInput(input);
  screen.TextFont = saved;
}

int32_t SystemMenu(Player& player) {
  const FontSpec saved_font = player.screen.TextFont;
  std::optional<SavedGame> loaded;
  try {
    CopyWorkToMenuSave(player);
    DrawPanel(player);
    CopyMenuSaveToBack(player);
    DrawMenuEntries(player, player.screen.BackBuffer, -1);
    FlipToScreen(player);
    const int entry = SelectMenuEntry(player);
    switch (entry) {
      case kSave:
      case kLoad:
        loaded = RunSlotScreen(player, entry);
        break;
      case kOption:
        InfoScreen(player);
        break;
      case kExit:
        EndProgram(player);
      default:
        break;
    }
  } catch (const MenuStepFailed&) {
    return -1;
  }
  PresentWork(player);
  player.screen.TextFont = saved_font;
  if (loaded) throw LoadRequest{std::move(*loaded)};
  return 0;
}

}  // namespace corv
