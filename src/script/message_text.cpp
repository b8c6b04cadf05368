// Message text: typed out one character at a time, either in the message window at the foot of the
// screen (window text) or over the whole screen on the keyed page layer (page text), with the click
// waits that end a window of text or a line of page text.
#include "script/message_text.h"

#include "core/full_width.h"
#include "core/operands.h"
#include "interaction/comforts.h"
#include "interaction/page_text.h"
#include "interaction/save_game.h"
#include "interaction/waits.h"
#include "media/message_window.h"
#include "media/transfers.h"

namespace corv {
namespace {

constexpr char32_t kCR = 13;
constexpr char32_t kLF = 10;

// Draws one character with its one-pixel shadow, in the surface's current font. A control character
// left in the text (a CR or LF that is not a line break here) keeps its cell but shows nothing, rather
// than whatever the font makes of it.
void DrawGlyph(Player& player, Surface& surface, int x, int y, char32_t c) {
  if (c < U' ' || c == 0x7F) return;
  const std::u32string glyph(1, c);
  GlyphSource& glyphs = *player.services.glyphs;
  surface.fore_colour = player.text.TextShadowColour;
  DrawText(surface, glyphs, x + 1, y + 1, glyph);
  surface.fore_colour = player.text.TextColour;
  DrawText(surface, glyphs, x, y, glyph);
}

// A click wait over one entry: the placeholder text is never shown, any left click ends it, and
// ScriptPosition stays where it is.
WaitEnd WaitForClick(Player& player, const std::u32string& placeholder) {
  player.choices.Choices[0].Text = placeholder;
  player.choices.Choices[0].Position = player.script.ScriptPosition;
  return WaitForChoice(player);
}

}  // namespace

// The pause after each typed character: the game's own, unless the player set a text speed of their own
// (which changes only how fast the text appears, never what the game computes).
namespace {
int32_t TypingPause(const Player& player) {
  const int override_ms = player.comforts.text_speed_ms;
  return override_ms >= 0 ? override_ms : player.script.TextWait;
}
}  // namespace

void ShowMessageText(Player& player) {
  // A message number outside the table shows as an empty message.
  const int32_t number = CurrentInstruction(player, op::kMessage)[Field::kNumber];
  const std::u32string raw = ReadText(player.game, player.game.MessageTexts[number]);
  const std::u32string text = ToFullWidth(raw);
  NoteMessageShown(player, number, raw);
  if (player.script.TextMode == 1) {
    DrawPageText(player, text);
  } else {
    DrawWindowText(player, text);
  }
}

void DrawWindowText(Player& player, const std::u32string& text) {
  Screen& screen = player.screen;
  screen.TextFont.size_pt = 12;
  screen.WorkSurface.font = screen.TextFont;
  screen.BackBuffer.font = screen.TextFont;

  const size_t length = text.size();
  int x = 68, y = 355, lines = 0;
  bool fast = false;
  // g counts characters from 1; character g is text[g - 1].
  for (size_t g = 1; g <= length; ++g) {
    DrawGlyph(player, screen.WorkSurface, x, y, text[g - 1]);
    if (!fast) {
      PresentWork(player);
      const WaitEnd end = TimedWait(player, TypingPause(player));
      if (end == WaitEnd::kLoadChosen) return;
      fast = end == WaitEnd::kClicked;
    }
    x += 18;

    bool new_line = false;
    if (g + 2 > length) {
      new_line = x > 580;  // the last character or two may run to the window's edge
    } else if (text[g] == kCR && text[g + 1] == kLF) {
      new_line = true;
      g += 2;  // the CR LF pair is not drawn
    } else {
      new_line = x > 560;
    }
    if (new_line) {
      y += 18;
      x = 68;
      ++lines;
    }

    if (lines == 5) {
      for (ChoiceEntry& entry : player.choices.Choices) entry.Text.clear();
      if (WaitForClick(player, U"Click!") == WaitEnd::kLoadChosen) return;
      CopyMessageSaveToWork(player);
      lines = 0;
      fast = false;
      x = 68;
      y = 355;
    }
  }
  // Text typed after a click becomes visible at the next presentation, normally the click wait that
  // follows the message.
}

void DrawPageText(Player& player, const std::u32string& text) {
  Screen& screen = player.screen;
  TextState& state = player.text;
  Surface& layer = PageLayer(player);
  screen.TextFont.size_pt = 18;
  screen.TextFont.bold = true;
  layer.font = screen.TextFont;

  const size_t length = text.size();
  int x = 30;
  int y = state.TextCursorX == 0 ? 30 : state.TextCursorY + 30;
  bool fast = false;
  for (size_t g = 1; g <= length; ++g) {
    if (text[g - 1] == kCR) {
      ComposePageLayer(player);
      PresentWork(player);
      state.TextCursorX = x;
      state.TextCursorY = y;
      if (WaitForClick(player, U"A") == WaitEnd::kLoadChosen) return;
      y += 30;
      x = 30;
      fast = false;
      ++g;  // the character after the CR, normally LF, is skipped
    } else {
      DrawGlyph(player, layer, x, y, text[g - 1]);
      if (!fast) {
        ComposePageLayer(player);
        PresentWork(player);
        const WaitEnd end = TimedWait(player, TypingPause(player));
        if (end == WaitEnd::kLoadChosen) return;
        fast = end == WaitEnd::kClicked;
      }
      x += 24;
      if (x > 600) {
        y += 30;
        x = 30;
      }
    }
    if (y > 430) {
      const int32_t scrolled = ScrollPageText(player, 2);
      if (LoadChosen(player)) return;
      y -= scrolled;
    }
  }
  ComposePageLayer(player);
  PresentWork(player);
  state.TextCursorY = y;
  state.TextCursorX = x;
}

void DrawWindowPicture(Player& player) {
  Screen& screen = player.screen;
  Blit(screen.WorkSurface, screen.WorkSurface.Bounds(), screen.PictureSurfaces[3], screen.PictureRects[3],
       UseKey::kYes);
}

void ShowMessage(Player& player) {
  NoteResumePoint(player, ResumePoint::Kind::kMessage);  // a loaded game shows this message again
  RedrawScene(player, Present::kNo);
  DrawMessageWindow(player, 0, 0, 39);
  if (player.screen.Layer3Number > 0 && player.script.TextMode == 0) {
    DrawWindowPicture(player);
    CopyWorkToBack(player);
  }
  CopyWorkToMessageSave(player);
  ShowMessageText(player);
}

}  // namespace corv
