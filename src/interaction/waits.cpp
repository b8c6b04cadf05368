// Waiting for the player: the click-interruptible pause of typed text, and the choice wait that also
// serves as the click wait at the end of a page (a one-entry table, shown by a blinking marker).
//
// Every wait clears both click flags when it starts, so a click given before it began does not count,
// and clears a flag when it acts on it. A right click opens the system menu nested inside the wait;
// the wait then goes on where it was, unless a saved game was chosen there (WaitEnd::kLoadChosen).
#include "interaction/waits.h"

#include <vector>

#include "core/events.h"
#include "core/full_width.h"
#include "core/shutdown.h"
#include "interaction/backlog.h"
#include "interaction/comforts.h"
#include "interaction/page_text.h"
#include "interaction/save_game.h"
#include "interaction/system_menu.h"
#include "media/shading.h"
#include "media/transfers.h"

namespace corv {
namespace {

constexpr int kRowPitch = 30;
constexpr size_t kMaxOptionLength = 20;
constexpr uint32_t kBlinkPhaseMs = 500;
constexpr int kMarkerShown = -2;  // the kept frame's key for the marker; lit rows are keyed by number

bool PageMode(const Player& player) {
  return player.script.TextMode == 1;
}

// The entries offered to the player, in entry order: those with a text whose body lies inside the
// script. Row i of the list is the i-th of them, so a table with gaps (say entries 0 and 2) shows and
// picks exactly its filled entries, and a stale or foreign position is never jumped to.
std::vector<int> OfferedEntries(const Player& player) {
  std::vector<int> offered;
  for (int e = 0; e < kChoiceSlots; ++e) {
    const ChoiceEntry& entry = player.choices.Choices[e];
    if (!entry.Text.empty() && entry.Position >= kScriptStart && entry.Position < player.game.ScriptEnd) {
      offered.push_back(e);
    }
  }
  return offered;
}

struct RowLayout {
  int x;
  int y;
};

// Where row i of an n-row list stands.
RowLayout Row(const Player& player, int n, int i) {
  if (PageMode(player)) return {30, player.text.TextCursorY + kRowPitch + kRowPitch * i};
  return {120, 325 - kRowPitch * n + kRowPitch * i};
}

// Whether the pointer is on row i (all bounds strict).
bool PointerOnRow(const Player& player, int n, int i) {
  const int px = player.input.PointerX, py = player.input.PointerY;
  const int y = Row(player, n, i).y;
  if (PageMode(player)) return 0 < px && px < kScreenWidth && y < py && py < y + 26;
  return 100 < px && px < 540 && y < py && py < y + 20;
}

// The row under the pointer, or -1.
int PointerRow(const Player& player, int n) {
  for (int i = 0; i < n; ++i) {
    if (PointerOnRow(player, n, i)) return i;
  }
  return -1;
}

}  // namespace

bool LoadChosen(const Player& player) {
  return player.menu.chosen_load.has_value();
}

WaitEnd TimedWait(Player& player, int32_t ms) {
  InputState& input = player.input;
  ClearWaitInput(input);
  if (Skipping(player)) return WaitEnd::kClicked;  // skipped text appears at once
  if (ms <= 0) return WaitEnd::kTimeUp;
  // Elapsed time by unsigned difference: the tick counter's wrap-around neither ends nor prolongs it.
  Clock& clock = *player.services.clock;
  const uint32_t start = clock.TickCount();
  const uint32_t length = static_cast<uint32_t>(ms);
  while (TicksSince(clock.TickCount(), start) < length) {
    DoEvents(player);
    if (input.RightClicked) {
      input.RightClicked = false;
      // The menu's time counts towards the same deadline.
      if (SystemMenu(player) == kMenuLoadChosen) return WaitEnd::kLoadChosen;
    } else if (input.LeftClicked) {
      input.LeftClicked = false;
      return WaitEnd::kClicked;
    }
    // Enter, Space and the wheel turned down finish the text as a click does; so does starting to skip.
    const WaitKey key = TakeKey(input);
    if (key == WaitKey::kConfirm || key == WaitKey::kWheelDown || Skipping(player)) return WaitEnd::kClicked;
    NoteWaitingForPlayer(player);
  }
  return WaitEnd::kTimeUp;
}

WaitEnd WaitForChoice(Player& player) {
  NoteResumePoint(player, ResumePoint::Kind::kChoice);  // a loaded game offers these options again
  InputState& input = player.input;
  ClearWaitInput(input);
  const int n = static_cast<int>(OfferedEntries(player).size());
  if (n == 0) EndProgram(player);

  if (n > 1 && !PageMode(player)) DrawChoiceBox(player, kRowPitch * n);
  // The options go into the work surface, so they stay part of the page until it is next redrawn.
  DrawChoices(player, player.screen.WorkSurface, -1, n);
  if (LoadChosen(player)) return WaitEnd::kLoadChosen;
  PresentWork(player);

  KeptFrame& kept = player.choices.Frame;
  kept.Forget();
  player.choices.key_row = -1;
  Comforts& comforts = player.comforts;
  Clock& clock = *player.services.clock;
  uint32_t auto_from = clock.TickCount();  // auto mode counts from here, or from when it was turned on
  int chosen = -1;
  while (chosen < 0) {
    DoEvents(player);
    StopSkipWhereItMustStop(player, n > 1);
    bool picked = false;
    if (n > 1) KeyboardRow(player, player.choices.key_row, n, PointerRow(player, n), &picked);
    const int k = HitTestChoices(player, n);
    if (LoadChosen(player)) return WaitEnd::kLoadChosen;
    ShowClickMarker(player, n);
    const WaitKey key = TakeKey(input);
    const uint32_t now = clock.TickCount();
    if (!comforts.auto_mode) auto_from = now;
    if (input.RightClicked) {
      input.RightClicked = false;
      if (SystemMenu(player) == kMenuLoadChosen) return WaitEnd::kLoadChosen;
      kept.Forget();  // the menu may have changed what the list is drawn with
      auto_from = clock.TickCount();
    } else if (key == WaitKey::kBacklog || key == WaitKey::kPageUp || (n == 1 && key == WaitKey::kWheelUp)) {
      OpenBacklog(player);
      auto_from = clock.TickCount();
    } else if (input.LeftClicked) {
      input.LeftClicked = false;  // a click off the options is used up and ignored
      chosen = k;
    } else if (n > 1) {
      if (picked) chosen = k;
    } else if (key == WaitKey::kConfirm || key == WaitKey::kWheelDown || Skipping(player) ||
               (comforts.auto_mode && TicksSince(now, auto_from) >= AutoDelay(player))) {
      chosen = k;
    }
    NoteWaitingForPlayer(player);
  }
  player.script.ScriptPosition = player.choices.Choices[chosen].Position;
  if (n > 1) NoteOptionPicked(player, player.choices.Choices[chosen].Text);
  kept.Forget();
  for (ChoiceEntry& entry : player.choices.Choices) entry.Text.clear();
  return WaitEnd::kChosen;
}

void DrawChoiceBox(Player& player, int32_t height) {
  Surface& work = player.screen.WorkSurface;
  const int depth = player.settings.ColourDepth;
  const int32_t top = 315 - height;
  switch (player.settings.DrawingMode) {
    case 1:
      BlendRect(work, depth, 100, top, 440, height + 10, 8, 8, 16, 75);
      break;
    case 2:
      BlendRect(work, depth, 110, top + 10, 440, height + 10, 0, 0, 0, 30);  // the shadow
      BlendRect(work, depth, 100, top, 440, height + 10, 16, 16, 64, 70);
      break;
    default:
      work.fill_colour = 0x100808;  // (8, 8, 16) as 0xBBGGRR
      work.fore_colour = 0x100808;
      DrawBox(work, 100, top, 540, 325);
      break;
  }
}

void DrawChoices(Player& player, Surface& surface, int highlighted, int n) {
  Screen& screen = player.screen;
  screen.TextFont.size_pt = PageMode(player) ? 18 : 14;
  if (n <= 1) return;  // a click wait draws no list
  // Page text: make room when the last row would start at y 450 or lower.
  if (PageMode(player) && player.text.TextCursorY >= 450 - kRowPitch * n) {
    const int32_t scrolled = ScrollPageText(player, 2);
    if (LoadChosen(player)) return;
    player.text.TextCursorY -= scrolled;
  }
  surface.font = screen.TextFont;
  const std::vector<int> offered = OfferedEntries(player);
  for (int i = 0; i < n; ++i) {
    const RowLayout row = Row(player, n, i);
    std::u32string text;
    if (static_cast<size_t>(i) < offered.size()) text = ToFullWidth(player.choices.Choices[offered[i]].Text);
    if (text.size() > kMaxOptionLength) text.resize(kMaxOptionLength);
    const bool lit = i == highlighted;
    surface.fore_colour = lit ? 0x7F7F7F : 0x303030;  // the shadow
    DrawText(surface, *player.services.glyphs, row.x + 2, row.y + 2, text);
    surface.fore_colour = lit ? 0xFFFFFF : 0xA0A0A0;
    DrawText(surface, *player.services.glyphs, row.x, row.y, text);
  }
}

int HitTestChoices(Player& player, int n) {
  CopyWorkToBack(player);  // removes the previous highlight and marker
  if (n < 1) return -1;
  const std::vector<int> offered = OfferedEntries(player);
  if (offered.empty()) return -1;
  if (n == 1) return offered[0];  // a click anywhere answers a one-entry table
  // The row lit by the keyboard, else the row under the pointer.
  const int key_row = player.choices.key_row;
  const int found = key_row >= 0 && key_row < n ? key_row : PointerRow(player, n);
  if (found >= 0) {
    player.choices.Frame.DrawOn(player.screen.BackBuffer, found,
                                [&](Surface& back) { DrawChoices(player, back, found, n); });
    if (LoadChosen(player)) return -1;
  }
  return found >= 0 && static_cast<size_t>(found) < offered.size() ? offered[found] : -1;
}

void ShowClickMarker(Player& player, int n) {
  if (n > 1) {
    FlipToScreen(player);
    return;
  }
  BlinkState& blink = player.choices.Blink;
  const uint32_t now = player.services.clock->TickCount();
  // The phase runs while its end lies at most one phase ahead; a wrapped or stale end is over.
  const uint32_t left = blink.NextToggle - now;
  if (left != 0 && left <= kBlinkPhaseMs) {
    if (!blink.MarkerHidden) {
      player.choices.Frame.DrawOn(player.screen.BackBuffer, kMarkerShown, [&](Surface& back) {
        Screen& screen = player.screen;
        int x = 570, y = 440;
        if (PageMode(player)) {
          screen.TextFont.size_pt = 12;
          back.fore_colour = 0xFFE0E0;  // (224, 224, 255)
          x = player.text.TextCursorX + 6;
          y = player.text.TextCursorY + 6;
        } else {
          screen.TextFont.size_pt = 10;
          back.fore_colour = 0xF08040;  // (64, 128, 240)
        }
        back.font = screen.TextFont;
        DrawText(back, *player.services.glyphs, x, y, U"▼");
      });
    }
    FlipToScreen(player);
  } else {
    blink.NextToggle = now + kBlinkPhaseMs;
    blink.MarkerHidden = !blink.MarkerHidden;
  }
}

}  // namespace corv
