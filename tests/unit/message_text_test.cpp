#include "script/message_text.h"

#include <gtest/gtest.h>

#include "core/full_width.h"
#include "interaction/page_text.h"
#include "interaction/waits.h"
#include "media/transfers.h"
#include "scripted_player.h"

namespace corv {
namespace {

using testing::CellAt;
using testing::EmptyAt;
using testing::kBackdrop;
using testing::kLayerKey;
using testing::LeftClick;
using testing::ScriptedPlayer;

TEST(ToFullWidth, MapsAsciiKanaAndSoundMarks) {
  struct Case {
    std::u32string in;
    std::u32string out;
  };
  const Case cases[] = {
      {U" ", U"\u3000"},
      {U"!", U"\uFF01"},
      {U"\"", U"\uFF02"},
      {U"'", U"\uFF07"},
      {U"-", U"\uFF0D"},
      {U"0", U"\uFF10"},
      {U"A", U"\uFF21"},
      {U"\\", U"\uFF3C"},
      {U"z", U"\uFF5A"},
      {U"~", U"\uFF5E"},
      {U"Hi, 1!", U"Ｈｉ，\u3000１！"},
      {U"｡｢｣､･ｦｧｯｰｱﾝ", U"。「」、・ヲァッーアン"},
      {U"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", U"ガギグゲゴザジズゼゾダヂヅデドバビブベボ"},
      {U"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟｳﾞﾜﾞｦﾞ", U"パピプペポヴヷヺ"},
      // No combined form: the mark stays a character of its own.
      {U"ｱﾞﾅﾟｯﾞｶﾟ", U"ア゛ナ゜ッ゛カ゜"},
      {U"ﾞﾟ", U"゛゜"},
      {U"ﾃﾞｰﾀ", U"データ"},
      // Control characters, full-width and other characters stay as they are.
      {U"a\r\nb", U"ａ\r\nｂ"},
      {U"\t\x7F", U"\t\x7F"},
      {U"漢字。ガ", U"漢字。ガ"},
      {U"", U""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToFullWidth(c.in), c.out) << "input of " << c.in.size() << " characters, first U+" << std::hex
                                        << (c.in.empty() ? 0 : static_cast<uint32_t>(c.in[0]));
  }
}

// Window text, checked frame by frame: every character is presented alone, so the k-th present shows
// the k-th character at its place and none of the characters that follow it in the same window.
struct Cell {
  int x;
  int y;
  bool drawn = true;  // false: a control character's cell, which shows nothing
};
struct WindowCase {
  const char* name;
  std::u32string text;
  std::vector<Cell> cells;          // where the drawn characters land, in order
  std::vector<size_t> waits_after;  // how many characters were drawn when each "Click!" wait came
  bool ends_with_empty_window;
};

std::u32string Repeat(size_t n) {
  return std::u32string(n, U'字');
}

// Characters of full lines of 28, from the window's top left.
std::vector<Cell> FullLines(size_t count, int first_line = 0) {
  std::vector<Cell> cells;
  for (size_t i = 0; i < count; ++i) {
    cells.push_back({68 + 18 * static_cast<int>(i % 28), 355 + 18 * (first_line + static_cast<int>(i / 28))});
  }
  return cells;
}

std::vector<WindowCase> WindowCases() {
  std::vector<WindowCase> cases;
  {
    std::vector<Cell> cells = FullLines(140);
    for (int i = 0; i < 10; ++i) cells.push_back({68 + 18 * i, 355});
    cases.push_back({"150 characters", Repeat(150), cells, {140}, false});
  }
  {
    std::vector<Cell> cells = FullLines(28);
    cells.push_back({572, 355});  // fewer than two follow: the line runs on to 580
    cases.push_back({"29 characters", Repeat(29), cells, {}, false});
  }
  {
    std::vector<Cell> cells = FullLines(30);
    cases.push_back({"30 characters", Repeat(30), cells, {}, false});
  }
  cases.push_back({"CR LF", U"ＡＢ\r\nＥＦ", {{68, 355}, {86, 355}, {68, 373}, {86, 373}}, {}, false});
  // A break is looked for only after a drawn character: the second pair takes two empty cells.
  cases.push_back({"two CR LF in a row",
                   U"Ａ\r\n\r\nＥ",
                   {{68, 355}, {68, 373, false}, {86, 373, false}, {104, 373}},
                   {},
                   false});
  cases.push_back({"lone LF", U"Ａ\nＢ", {{68, 355}, {86, 355, false}, {104, 355}}, {}, false});
  {
    // Four full lines and a fifth of 29 ended by the last character: the wait empties the window.
    std::vector<Cell> cells = FullLines(112);
    for (int i = 0; i < 29; ++i) cells.push_back({68 + 18 * i, 427});
    cases.push_back({"fifth line ended by the last character", Repeat(141), cells, {141}, true});
  }
  {
    std::vector<Cell> cells = FullLines(113);
    cases.push_back({"fifth line ended by a final CR LF", Repeat(113) + U"\r\n", cells, {113}, true});
  }
  cases.push_back({"empty", U"", {}, {}, false});
  return cases;
}

class WindowTextLayout : public ::testing::TestWithParam<int> {};

TEST_P(WindowTextLayout, PlacesEveryCharacterAndWaitsAfterFiveLines) {
  for (const WindowCase& c : WindowCases()) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp(GetParam());
    Player& player = sp.player;
    size_t typed = 0;
    std::vector<size_t> waits;
    // The window a character belongs to: how many waits come before it.
    auto window_of = [&](size_t i) {
      size_t w = 0;
      while (w < c.waits_after.size() && i >= c.waits_after[w]) ++w;
      return w;
    };
    sp.display.on_present = [&](const Surface& frame) {
      if (!player.choices.Choices[0].Text.empty()) return;  // a frame of the click wait
      ASSERT_LT(typed, c.cells.size()) << "more characters presented than expected";
      const Cell& cell = c.cells[typed];
      EXPECT_EQ(CellAt(frame, cell.x, cell.y, 12), cell.drawn)
          << "character " << typed + 1 << " at " << cell.x << "," << cell.y;
      for (size_t later = typed + 1; later < c.cells.size() && window_of(later) == window_of(typed);
           ++later) {
        EXPECT_TRUE(EmptyAt(frame, c.cells[later].x, c.cells[later].y, 12, kBackdrop))
            << "character " << later + 1 << " shown too early, at present " << typed + 1;
      }
      ++typed;
    };
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      if (player.choices.Choices[0].Text != U"Click!") return;
      if (waits.empty() || waits.back() != typed) waits.push_back(typed);
      out.push_back(LeftClick());
    };
    DrawWindowText(player, c.text);
    EXPECT_EQ(typed, c.cells.size());
    EXPECT_EQ(waits, c.waits_after);
    EXPECT_EQ(player.script.ScriptPosition, 40) << "a click wait leaves the script where it was";
    if (c.ends_with_empty_window) {
      EXPECT_TRUE(EmptyAt(player.screen.WorkSurface, 68, 355, 12, kBackdrop));
      EXPECT_TRUE(EmptyAt(player.screen.WorkSurface, 68, 427, 12, kBackdrop));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, WindowTextLayout, ::testing::Values(16, 24, 32));

TEST(WindowText, ClickDuringTypingShowsTheRestAtTheNextPresent) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  player.script.TextWait = 50;
  bool clicked = false;
  sp.display.on_poll = [&](std::vector<InputEvent>& out) {
    if (sp.display.presents == 3 && !clicked) {  // during the pause after the third character
      out.push_back(LeftClick());
      clicked = true;
    }
  };
  DrawWindowText(player, Repeat(6));
  EXPECT_EQ(sp.display.presents, 3);
  const Surface& screen = player.screen.PrimarySurface;
  EXPECT_TRUE(CellAt(screen, 104, 355, 12));
  EXPECT_TRUE(EmptyAt(screen, 122, 355, 12, kBackdrop));
  EXPECT_TRUE(CellAt(player.screen.WorkSurface, 158, 355, 12)) << "the rest is drawn at once";
  PresentWork(player);
  for (int x : {68, 86, 104, 122, 140, 158}) EXPECT_TRUE(CellAt(screen, x, 355, 12)) << x;
}

// The pause after each character is the game's TextWait, unless the player set a text speed of their own.
TEST(WindowText, PausesTextWaitAfterEachCharacter) {
  struct Case {
    uint8_t wait;
    int speed_ms;     // the player's text speed; -1 keeps the game's
    uint32_t min_ms;  // the pauses alone
  };
  for (const Case& c : {Case{0, -1, 0}, Case{20, -1, 80}, Case{0, 20, 80}, Case{50, 0, 0}}) {
    ScriptedPlayer sp;
    sp.player.script.TextWait = c.wait;
    sp.player.comforts.text_speed_ms = c.speed_ms;
    DrawWindowText(sp.player, Repeat(4));
    EXPECT_EQ(sp.display.presents, 4) << "wait " << int{c.wait} << ", speed " << c.speed_ms;
    EXPECT_GE(sp.clock.TickCount(), c.min_ms);
    if (c.min_ms == 0) {
      EXPECT_EQ(sp.display.polls, 0) << "no pause, no yield";
    }
    EXPECT_EQ(sp.player.script.TextWait, c.wait) << "the game's own setting is left as it was";
  }
}

// Page text: bold 18-point cells 24 pixels apart on lines 30 apart, drawn onto the keyed page layer.
TEST(PageText, FirstPageStartsAtTheTopAndTheNextOneLineBelow) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  player.script.TextMode = 1;
  DrawPageText(player, U"ＡＢ");
  const Surface& layer = player.screen.PictureSurfaces[5];
  EXPECT_TRUE(CellAt(layer, 30, 30, 18));
  EXPECT_TRUE(CellAt(layer, 54, 30, 18));
  EXPECT_EQ(player.text.TextCursorX, 78);
  EXPECT_EQ(player.text.TextCursorY, 30);
  EXPECT_TRUE(player.screen.TextFont.bold);

  player.script.TextMode = 0;
  DrawWindowText(player, U"ＸＹ");  // window text in between changes nothing of the page
  player.script.TextMode = 1;
  DrawPageText(player, U"Ｃ");
  EXPECT_TRUE(CellAt(layer, 30, 60, 18));
  EXPECT_TRUE(CellAt(layer, 54, 30, 18)) << "earlier page text stays";
  EXPECT_EQ(player.text.TextCursorY, 60);
  // The frame shows the layer over the scene, the key colour left out.
  EXPECT_TRUE(CellAt(player.screen.PrimarySurface, 30, 60, 18));
  EXPECT_TRUE(EmptyAt(player.screen.PrimarySurface, 30, 90, 18, kBackdrop));
}

TEST(PageText, LineBreaksAfterX600) {
  ScriptedPlayer sp;
  DrawPageText(sp.player, std::u32string(25, U'字'));
  const Surface& layer = sp.player.screen.PictureSurfaces[5];
  EXPECT_TRUE(CellAt(layer, 30 + 24 * 23, 30, 18)) << "the 24th character ends at x 606";
  EXPECT_TRUE(EmptyAt(layer, 30 + 24 * 24, 30, 18, kLayerKey));
  EXPECT_TRUE(CellAt(layer, 30, 60, 18));
  EXPECT_EQ(sp.player.text.TextCursorX, 54);
}

TEST(PageText, CrWaitsForAClickThenGoesOnAtTheNextLine) {
  struct Case {
    const char* name;
    std::u32string text;
    std::vector<Cell> cells;
    int cursor_x;
    int cursor_y;
  };
  const Case cases[] = {
      {"CR LF inside", U"ＡＢ\r\nＣ", {{30, 30}, {54, 30}, {30, 60}}, 54, 60},
      {"CR last", U"ＡＢ\r", {{30, 30}, {54, 30}}, 30, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp;
    Player& player = sp.player;
    player.script.TextMode = 1;
    int waits = 0;
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      if (player.choices.Choices[0].Text != U"A") return;
      if (waits++ == 0) {
        // Shown up to the CR, with the cursor at its end.
        EXPECT_TRUE(CellAt(player.screen.PrimarySurface, 54, 30, 18));
        EXPECT_TRUE(EmptyAt(player.screen.PrimarySurface, 30, 60, 18, kBackdrop));
        EXPECT_EQ(player.text.TextCursorX, 78);
        EXPECT_EQ(player.text.TextCursorY, 30);
      }
      out.push_back(LeftClick());
    };
    DrawPageText(player, c.text);
    EXPECT_GE(waits, 1);
    for (const Cell& cell : c.cells)
      EXPECT_TRUE(CellAt(player.screen.PictureSurfaces[5], cell.x, cell.y, 18));
    EXPECT_EQ(player.text.TextCursorX, c.cursor_x);
    EXPECT_EQ(player.text.TextCursorY, c.cursor_y);
    EXPECT_TRUE(player.choices.Choices[0].Text.empty());
  }
}

TEST(PageText, ALineAtY450ScrollsUp210PixelsIn105Steps) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  player.text.TextCursorX = 30;
  player.text.TextCursorY = 420;  // the next line starts at y 450
  int step = 0;
  sp.display.on_present = [&](const Surface& frame) {
    // Present 1 shows A at y 450; presents 2 to 106 are the scroll steps.
    if (sp.display.presents < 2 || sp.display.presents > 106) return;
    step = sp.display.presents - 1;
    const int top = 451 - 2 * step;  // the first white row of A's cell
    EXPECT_EQ(frame.ReadPixel(42, top), sp.Pixel(0xFFFFFF)) << "step " << step;
    EXPECT_EQ(frame.ReadPixel(42, top - 1), sp.Pixel(kBackdrop)) << "step " << step;
  };
  DrawPageText(player, U"ＡＢ");
  EXPECT_EQ(step, 105);
  EXPECT_EQ(sp.display.presents, 108);  // A, 105 steps, B, the final present
  const Surface& layer = player.screen.PictureSurfaces[5];
  EXPECT_TRUE(CellAt(layer, 30, 240, 18));
  EXPECT_TRUE(CellAt(layer, 54, 240, 18)) << "the text continues at y 240";
  EXPECT_TRUE(EmptyAt(layer, 30, 450, 18, kLayerKey));
  EXPECT_TRUE(EmptyAt(layer, 54, 450, 18, kLayerKey));
  EXPECT_EQ(player.text.TextCursorY, 240);
}

TEST(PageText, ScrollLeavesTheTopBandAndReturnsTheDistance) {
  struct Case {
    int32_t step;
    int32_t distance;
    int presents;
  };
  for (const Case& c :
       {Case{2, 210, 105}, Case{3, 210, 70}, Case{0, 0, 0}, Case{-2, 0, 0}, Case{211, 0, 0}}) {
    ScriptedPlayer sp;
    Surface& layer = sp.player.screen.PictureSurfaces[5];
    layer.WritePixel(5, 10, sp.Pixel(0xFFFFFF));   // above y 30: never moves
    layer.WritePixel(5, 300, sp.Pixel(0xFFFFFF));  // moves up by the distance
    EXPECT_EQ(ScrollPageText(sp.player, c.step), c.distance) << "step " << c.step;
    EXPECT_EQ(sp.display.presents, c.presents) << "step " << c.step;
    EXPECT_EQ(layer.ReadPixel(5, 10), sp.Pixel(0xFFFFFF));
    EXPECT_EQ(layer.ReadPixel(5, 300 - c.distance), sp.Pixel(0xFFFFFF)) << "step " << c.step;
  }
}

TEST(PageText, EmptyMessagePresentsOnceAndMovesTheCursor) {
  ScriptedPlayer sp;
  DrawPageText(sp.player, U"");
  EXPECT_EQ(sp.display.presents, 1);
  EXPECT_EQ(sp.player.text.TextCursorX, 30);
  EXPECT_EQ(sp.player.text.TextCursorY, 30);
  DrawPageText(sp.player, U"");
  EXPECT_EQ(sp.player.text.TextCursorY, 60);
}

// The message number is read from the instruction; numbers outside the table show an empty message.
TEST(ShowMessageText, TakesTheTextOfTheMessageNumber) {
  struct Case {
    uint8_t low;
    uint8_t high;
    int presents;
  };
  const Case cases[] = {
      {7, 0, 3},        // message 7: three characters
      {0x10, 0x27, 2},  // message 10000: the last of the table
      {0x11, 0x27, 0},  // 10001
      {0xFF, 0x7F, 0},  // 32767
      {0xFF, 0xFF, 0},  // -1
  };
  for (const Case& c : cases) {
    ScriptedPlayer sp;
    Player& player = sp.player;
    sp.SetMessageText(7, "abc");
    sp.SetMessageText(10000, "\xb6\xde\xb7");  // ｶﾞｷ: two characters once the sound mark is combined
    player.game.GameImage[40 - 1] = 130;
    player.game.GameImage[40 - 1 + 5] = c.low;
    player.game.GameImage[40 - 1 + 6] = c.high;
    ShowMessageText(player);
    EXPECT_EQ(sp.display.presents, c.presents) << int{c.low} << "," << int{c.high};
  }
}

TEST(ShowMessageText, PageModeTakesThePageStyle) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  player.script.TextMode = 1;
  sp.SetMessageText(3, "x");
  player.game.GameImage[40 - 1 + 5] = 3;
  ShowMessageText(player);
  EXPECT_TRUE(CellAt(player.screen.PictureSurfaces[5], 30, 30, 18));
  EXPECT_EQ(player.text.TextCursorX, 54);
}

}  // namespace
}  // namespace corv

namespace corv {
namespace {

// The message command: scene, window, the window picture in window text only, the saved frame, text.
TEST(ShowMessage, ComposesTheWindowPictureOnlyForWindowText) {
  struct Case {
    const char* name;
    uint8_t text_mode;
    int32_t layer3;
    bool slot_loaded, picture_shown;  // the window picture's slot holds a picture; it is on the saved frame
  };
  const Case cases[] = {
      {"window text with a picture", 0, 1, true, true},
      {"no picture showing", 0, 0, true, false},
      {"page text", 1, 1, true, false},
      {"text mode 2", 2, 1, true, false},
      {"picture number set, slot empty", 0, 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp;
    Player& player = sp.player;
    player.script.TextMode = c.text_mode;
    player.screen.Layer3Number = c.layer3;
    if (c.slot_loaded) {
      // A half-size picture, its left half in the key colour: stretched over the screen's right half.
      Surface& picture = player.screen.PictureSurfaces[3];
      picture = Surface(320, 240, 32);
      ScriptedPlayer::Fill(picture, 0x0000FF);
      for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 160; ++x) picture.WritePixel(x, y, MapColour(32, 0x00FF00));
      }
      picture.colour_key = MapColour(32, 0x00FF00);
      player.screen.PictureRects[3] = Rect{0, 0, 320, 240};
    }
    sp.SetMessageText(0, "x");
    player.game.GameImage[40 - 1] = 130;
    ShowMessage(player);
    const Surface& saved = player.screen.MessageSaveSurface;
    EXPECT_EQ(saved.ReadPixel(600, 10) == sp.Pixel(0x0000FF), c.picture_shown);
    EXPECT_NE(saved.ReadPixel(10, 10), sp.Pixel(0x00FF00)) << "the key colour is left out";
    EXPECT_FALSE(CellAt(saved, 68, 355, 12)) << "the saved frame has an empty window";
    if (c.text_mode != 1) {
      EXPECT_TRUE(CellAt(player.screen.PrimarySurface, 68, 355, 12)) << "the text is shown";
    } else {
      EXPECT_TRUE(CellAt(player.screen.PrimarySurface, 30, 30, 18)) << "the text is shown";
    }
  }
}

}  // namespace
}  // namespace corv
