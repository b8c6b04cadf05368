// Message text: typed out one character at a time, either in the message window at the foot of the
// screen (window text) or over the whole screen on the keyed page layer (page text), with the click
// waits that end a window of text or a line of page text.
#include "script/message_text.h"

#include <array>

#include "interaction/comforts.h"
#include "interaction/save_game.h"
#include "interaction/waits.h"
#include "media/message_window.h"
#include "media/transfers.h"
#include "script/operands.h"

namespace corv {
namespace {

constexpr char32_t kCR = 13;
constexpr char32_t kLF = 10;
constexpr char32_t kDakuten = 0xFF9E;     // half-width voiced sound mark
constexpr char32_t kHandakuten = 0xFF9F;  // half-width semi-voiced sound mark

// Full-width forms of the half-width katakana U+FF61 to U+FF9F, in code order.
constexpr std::array<char32_t, 0xFF9F - 0xFF61 + 1> kFullWidthKana = {
    U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
    U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
    U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
    U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
    U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};

// The one-character form of a full-width kana followed by the voiced sound mark, or 0 when none exists.
char32_t Voiced(char32_t kana) {
  switch (kana) {
    case U'ウ':
      return U'ヴ';
    case U'ワ':
      return U'ヷ';
    case U'ヲ':
      return U'ヺ';
    case U'ツ':
    case U'テ':
    case U'ト':
      return kana + 1;
    default:
      break;
  }
  // カ to チ and ハ to ホ: the voiced form follows the plain one in code order.
  const bool ka_to_chi = kana >= U'カ' && kana <= U'チ' && (kana - U'カ') % 2 == 0;
  const bool ha_to_ho = kana >= U'ハ' && kana <= U'ホ' && (kana - U'ハ') % 3 == 0;
  return ka_to_chi || ha_to_ho ? kana + 1 : 0;
}

// The one-character form of a full-width kana followed by the semi-voiced sound mark, or 0.
char32_t SemiVoiced(char32_t kana) {
  return kana >= U'ハ' && kana <= U'ホ' && (kana - U'ハ') % 3 == 0 ? kana + 2 : 0;
}

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

Surface& PageLayer(Player& player) {
  return player.screen.PictureSurfaces[5];
}

// Composes the page layer over the whole work surface, leaving out its key colour.
void ComposePageLayer(Player& player) {
  Surface& layer = PageLayer(player);
  Blit(player.screen.WorkSurface, player.screen.WorkSurface.Bounds(), layer, layer.Bounds(), UseKey::kYes);
}

// A click wait over one entry: the placeholder text is never shown, any left click ends it, and
// ScriptPosition stays where it is.
void WaitForClick(Player& player, const std::u32string& placeholder) {
  player.choices.Choices[0].Text = placeholder;
  player.choices.Choices[0].Position = player.script.ScriptPosition;
  WaitForChoice(player);
}

}  // namespace

std::u32string ToFullWidth(const std::u32string& text) {
  std::u32string wide;
  wide.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == U' ') {
      wide += U'\u3000';
    } else if (c > U' ' && c <= U'~') {
      wide += c - U'!' + U'！';
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      const char32_t kana = kFullWidthKana[c - 0xFF61];
      const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
      const char32_t combined = next == kDakuten ? Voiced(kana) : next == kHandakuten ? SemiVoiced(kana) : 0;
      if (combined != 0) {
        wide += combined;
        ++i;
      } else {
        wide += kana;
      }
    } else {
      wide += c;
    }
  }
  return wide;
}

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
  const std::vector<TextSpan>& texts = player.game.MessageTexts;
  const bool known = number >= 0 && static_cast<size_t>(number) < texts.size();
  const std::u32string raw = known ? ReadText(player.game, texts[number]) : std::u32string();
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
      fast = TimedWait(player, TypingPause(player)) == 1;
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
      WaitForClick(player, U"Click!");
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
      WaitForClick(player, U"A");
      y += 30;
      x = 30;
      fast = false;
      ++g;  // the character after the CR, normally LF, is skipped
    } else {
      DrawGlyph(player, layer, x, y, text[g - 1]);
      if (!fast) {
        ComposePageLayer(player);
        PresentWork(player);
        fast = TimedWait(player, TypingPause(player)) == 1;
      }
      x += 24;
      if (x > 600) {
        y += 30;
        x = 30;
      }
    }
    if (y > 430) y -= ScrollPageText(player, 2);
  }
  ComposePageLayer(player);
  PresentWork(player);
  state.TextCursorY = y;
  state.TextCursorX = x;
}

int32_t ScrollPageText(Player& player, int32_t step) {
  if (step <= 0 || step > 210) return 0;  // nothing would move, or not even one step fits
  Surface& layer = PageLayer(player);
  const Rect source{0, 30 + step, kScreenWidth, kScreenHeight};
  const Rect destination{0, 30, kScreenWidth, kScreenHeight - step};
  int32_t k = 0;
  for (; k <= 210 - step; k += step) {
    Blit(layer, destination, layer, source, UseKey::kNo);
    CopyMessageSaveToWork(player);
    ComposePageLayer(player);
    PresentWork(player);
    TimedWait(player, player.script.TextWait / 10);  // a click does not shorten the scroll
  }
  return k;
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
