#include "interaction/waits.h"

#include <gtest/gtest.h>

#include <span>

#include "media/transfers.h"
#include "scripted_player.h"

namespace corv {
namespace {

using testing::EmptyAt;
using testing::kBackdrop;
using testing::LeftClick;
using testing::MoveTo;
using testing::RightClick;
using testing::ScriptedPlayer;

// Whether an option's text cell is drawn at (x, y): its centre in the text colour and, just past the
// cell, its shadow, both lighter when the row is highlighted.
bool OptionAt(const Surface& s, int x, int y, double size_pt, bool lit = false) {
  const int em = testing::Em(size_pt);
  return s.ReadPixel(x + em / 2, y + em / 2) == MapColour(s.Depth(), lit ? 0xFFFFFF : 0xA0A0A0) &&
         s.ReadPixel(x + em - 1, y + em - 1) == MapColour(s.Depth(), lit ? 0x7F7F7F : 0x303030);
}

// TimedWait: the pause of typed text.
TEST(TimedWait, ZeroOrNegativeReturnsAtOnceWithoutYielding) {
  for (int32_t ms : {0, -1, -100000}) {
    ScriptedPlayer sp;
    sp.player.input.LeftClicked = true;
    sp.display.Queue({LeftClick()});
    EXPECT_EQ(TimedWait(sp.player, ms), WaitEnd::kTimeUp) << ms;
    EXPECT_EQ(sp.display.polls, 0) << ms;
    EXPECT_FALSE(sp.player.input.LeftClicked) << "the wait clears the flags when it starts";
  }
}

TEST(TimedWait, RunsItsLengthAcrossTheTickWrap) {
  // One poll is one millisecond, so a wait of n ms takes n polls wherever the clock stands.
  for (uint32_t start : {0u, 1000u, 0x7FFFFFF0u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    ScriptedPlayer sp(32, start);
    EXPECT_EQ(TimedWait(sp.player, 100), WaitEnd::kTimeUp) << start;
    EXPECT_EQ(sp.display.polls, 100) << start;
  }
}

TEST(TimedWait, ClicksDuringAndBeforeTheWait) {
  struct Case {
    const char* name;
    bool left_before;
    int click_at_poll;  // 0: none
    int button;
    WaitEnd result;
    int polls;  // -1: not counted (the menu's own passes take part of the time)
  };
  const Case cases[] = {
      {"no click", false, 0, 1, WaitEnd::kTimeUp, 50},
      {"click before the wait does not count", true, 0, 1, WaitEnd::kTimeUp, 50},
      {"left click ends it", false, 10, 1, WaitEnd::kClicked, 10},
      {"right click opens the menu; the pause runs on to its deadline", false, 10, 2, WaitEnd::kTimeUp, -1},
      {"middle click is ignored", false, 10, 4, WaitEnd::kTimeUp, 50},
  };
  for (const Case& c : cases) {
    ScriptedPlayer sp;
    sp.player.input.LeftClicked = c.left_before;
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      if (sp.display.polls == c.click_at_poll) out.push_back({InputEvent::Kind::kMouseUp, 0, c.button, 5, 5});
      // A second right click closes the menu the first one opened.
      if (c.button == 2 && sp.display.polls == c.click_at_poll + 1) out.push_back(RightClick(5, 5));
    };
    const uint32_t start = sp.clock.TickCount();
    EXPECT_EQ(TimedWait(sp.player, 50), c.result) << c.name;
    if (c.polls >= 0) {
      EXPECT_EQ(sp.display.polls, c.polls) << c.name;
    }
    if (c.result == WaitEnd::kTimeUp) {
      EXPECT_GE(sp.clock.TickCount() - start, 50u) << c.name << ": the pause ran to its deadline";
    }
    EXPECT_FALSE(sp.player.input.LeftClicked) << c.name;
    EXPECT_FALSE(sp.player.input.RightClicked) << c.name;
  }
}

// The choice list. Rows and their hit areas, by text mode and number of options.
struct ListCase {
  const char* name;
  uint8_t text_mode;
  int n;
  int32_t cursor_y;       // TextCursorY for page text
  int x;                  // the text's x
  std::vector<int> rows;  // the rows' y
  double size_pt;
};

const ListCase kWindow2{"window, 2", 0, 2, 0, 120, {265, 295}, 14};
const ListCase kWindow3{"window, 3", 0, 3, 0, 120, {235, 265, 295}, 14};
const ListCase kPage2{"page, 2", 1, 2, 100, 30, {130, 160}, 18};
const ListCase kListCases[] = {
    kWindow2,
    kWindow3,
    {"window, 6", 0, 6, 0, 120, {145, 175, 205, 235, 265, 295}, 14},
    {"text mode 2 is window style", 2, 3, 0, 120, {235, 265, 295}, 14},
    kPage2,
    {"page, 3", 1, 3, 100, 30, {130, 160, 190}, 18},
};

void Register(Player& player, int n) {
  for (int i = 0; i < n; ++i) {
    player.choices.Choices[i].Text = std::u32string(1, U'a' + i);
    player.choices.Choices[i].Position = 100 + 10 * i;
  }
}

// Puts the player in the case's text mode with the text cursor at (30, cursor_y) and registers its options.
void SetUpList(Player& player, const ListCase& c) {
  player.script.TextMode = c.text_mode;
  player.text.TextCursorX = 30;
  player.text.TextCursorY = c.cursor_y;
  Register(player, c.n);
}

class ChoiceList : public ::testing::TestWithParam<int> {};

TEST_P(ChoiceList, RowsAreDrawnIntoTheWorkSurface) {
  for (const ListCase& c : kListCases) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp(GetParam());
    Player& player = sp.player;
    player.settings.DrawingMode = 0;  // the solid box
    SetUpList(player, c);
    bool checked = false;
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      const Surface& work = player.screen.WorkSurface;
      const uint32_t behind = c.text_mode == 1 ? kBackdrop : 0x100808;
      for (int y : c.rows) {
        EXPECT_TRUE(OptionAt(work, c.x, y, c.size_pt)) << "row at " << y;
        EXPECT_TRUE(EmptyAt(work, c.x + testing::Em(c.size_pt), y, c.size_pt, behind)) << "one character";
      }
      EXPECT_TRUE(EmptyAt(work, c.x, c.rows.front() - 30, c.size_pt, kBackdrop)) << "no row above";
      if (c.text_mode != 1) {
        const int top = 315 - 30 * c.n;  // the box runs from 315 - 30n to 325
        EXPECT_EQ(work.ReadPixel(101, top + 1), sp.Pixel(0x100808));
        EXPECT_EQ(work.ReadPixel(538, 323), sp.Pixel(0x100808));
        EXPECT_EQ(work.ReadPixel(101, top - 1), sp.Pixel(kBackdrop));
        EXPECT_EQ(work.ReadPixel(101, 325), sp.Pixel(kBackdrop));
        EXPECT_EQ(work.ReadPixel(99, 300), sp.Pixel(kBackdrop));
        EXPECT_EQ(work.ReadPixel(540, 300), sp.Pixel(kBackdrop));
      } else {
        EXPECT_EQ(work.ReadPixel(101, 320), sp.Pixel(kBackdrop)) << "no box in page mode";
      }
      checked = true;
      out.push_back(LeftClick(c.x + 5, c.rows.back() + 5));
    };
    EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
    EXPECT_TRUE(checked);
    EXPECT_EQ(player.script.ScriptPosition, 100 + 10 * (c.n - 1)) << "the last row was clicked";
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, ChoiceList, ::testing::Values(16, 24, 32));

TEST(ChoiceList, HitAreasAreStrictAndTheHighlightFollows) {
  struct Probe {
    int x;
    int y;
    int row;  // -1: none
  };
  // Three rows of window text, hit from y 236 to 254, 266 to 284 and 296 to 314, x 101 to 539.
  const Probe window3[] = {{101, 236, 0},  {539, 254, 0},    // row 0's corners
                           {100, 240, -1}, {540, 240, -1},   // beside it
                           {300, 235, -1}, {300, 255, -1},   // above and below it
                           {300, 260, -1}, {300, 100, -1},   // between it and row 1; far above the list
                           {300, 265, -1}, {300, 266, 1},    // row 1's top
                           {300, 314, 2},  {300, 315, -1}};  // row 2's bottom
  // Two rows of window text, hit from y 266 to 284 and 296 to 314.
  const Probe window2[] = {{300, 266, 0}, {300, 296, 1}, {300, 240, -1}};
  // Two rows of page text below y 100, hit from y 131 to 155 and 161 to 185, x 1 to 639.
  const Probe page2[] = {{1, 131, 0},    {639, 155, 0},   // row 0's corners
                         {0, 131, -1},   {640, 131, -1},  // beside it
                         {300, 156, -1},                  // below it
                         {300, 160, -1}, {300, 161, 1}};  // row 1's top
  struct Case {
    const ListCase& list;
    std::span<const Probe> probes;
  };
  for (const Case& c : {Case{kWindow3, window3}, Case{kWindow2, window2}, Case{kPage2, page2}}) {
    const ListCase& list = c.list;
    SCOPED_TRACE(list.name);
    ScriptedPlayer sp;
    Player& player = sp.player;
    SetUpList(player, list);
    DrawChoices(player, player.screen.WorkSurface, -1, list.n);
    for (const Probe& p : c.probes) {
      player.input.PointerX = p.x;
      player.input.PointerY = p.y;
      EXPECT_EQ(HitTestChoices(player, list.n), p.row) << p.x << "," << p.y;
      for (int i = 0; i < list.n; ++i) {
        EXPECT_TRUE(OptionAt(player.screen.BackBuffer, list.x, list.rows[i], list.size_pt, i == p.row))
            << "row " << i << " with the pointer at " << p.x << "," << p.y;
      }
    }
  }
}

TEST(ChoiceList, LongOptionShowsItsFirst20Characters) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  Register(player, 2);
  player.choices.Choices[0].Text = U"ABCDEFGHIJKLMNOPQRSTUVWXY";
  DrawChoices(player, player.screen.WorkSurface, -1, 2);
  const int em = testing::Em(14);
  const Surface& work = player.screen.WorkSurface;
  EXPECT_TRUE(OptionAt(work, 120 + 19 * em, 265, 14)) << "the 20th character";
  EXPECT_EQ(work.ReadPixel(120 + 20 * em + em / 2, 265 + em / 2), sp.Pixel(kBackdrop)) << "no 21st";
}

TEST(ChoiceList, PageModeScrollsWhenTheLastRowWouldStartAtY450) {
  struct Case {
    int32_t cursor_y;
    int n;
    int32_t cursor_after;
  };
  for (const Case& c : {Case{400, 3, 190}, Case{359, 3, 359}, Case{360, 3, 150}, Case{420, 1, 420}}) {
    ScriptedPlayer sp;
    Player& player = sp.player;
    player.script.TextMode = 1;
    player.text.TextCursorY = c.cursor_y;
    Register(player, c.n);
    DrawChoices(player, player.screen.WorkSurface, -1, c.n);
    EXPECT_EQ(player.text.TextCursorY, c.cursor_after) << c.cursor_y;
    if (c.n > 1) {
      EXPECT_TRUE(OptionAt(player.screen.WorkSurface, 30, c.cursor_after + 30, 18));
    }
  }
}

// WaitForChoice as a whole.
TEST(WaitForChoice, ClickPicksTheOptionUnderThePointerOnly) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  Register(player, 3);
  // Between rows, outside the list, a right click that opens the menu and a second that closes it:
  // nothing is chosen; then the third row.
  sp.display.Queue({MoveTo(300, 260), LeftClick(300, 260), LeftClick(50, 240), RightClick(300, 240),
                    RightClick(300, 240), MoveTo(300, 300), LeftClick(300, 300)});
  EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
  EXPECT_EQ(sp.display.polls, 7);
  EXPECT_EQ(player.script.ScriptPosition, 120);
  for (const ChoiceEntry& e : player.choices.Choices) EXPECT_TRUE(e.Text.empty());
  EXPECT_EQ(player.choices.Choices[2].Position, 120) << "positions stay";
}

// Counts what it is asked to draw.
class CountingGlyphs final : public GlyphSource {
 public:
  explicit CountingGlyphs(GlyphSource& inner) : inner_(inner) {}
  const GlyphMask& Render(const std::u32string& text, const FontSpec& font) override {
    ++renders;
    return inner_.Render(text, font);
  }
  int renders = 0;

 private:
  GlyphSource& inner_;
};

// A wait redraws its frame on every pass. With the pointer resting on an option, or the marker blinking
// at a click wait, each frame is drawn once and then handed on as it is: no text is drawn again, and the
// display receives the very same pixels, which it recognises without comparing them.
TEST(WaitForChoice, ARestingPointerOrBlinkingMarkerIsDrawnOnce) {
  struct Case {
    const char* name;
    int n;
    int renders;  // glyph renders of the whole wait
    int frames;   // different pixel buffers presented
  };
  const Case cases[] = {
      {"an option lit under the pointer", 2, 4 + 4, 2},  // the list, then the lit list, each text and shadow
      {"a blinking marker", 1, 1, 2},                    // the marker once; the page without it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp;
    CountingGlyphs glyphs(*sp.glyphs);
    Player& player = sp.player;
    player.services.glyphs = &glyphs;
    Register(player, c.n);
    std::vector<Surface> frames;  // one copy of each different buffer presented
    int presents = 0;
    sp.display.on_present = [&](const Surface& frame) {
      ++presents;
      for (const Surface& f : frames) {
        if (f.SharesPixelsWith(frame)) return;
      }
      frames.push_back(frame);
    };
    int polls = 0;
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      ++polls;
      if (polls == 1) out.push_back(MoveTo(300, 270));       // on row 0 of two
      if (polls == 400) out.push_back(LeftClick(300, 270));  // some 7 s later: 14 blinks
    };
    EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
    EXPECT_EQ(player.script.ScriptPosition, 100);
    EXPECT_GT(presents, 300);
    EXPECT_EQ(glyphs.renders, c.renders);
    EXPECT_EQ(static_cast<int>(frames.size()), c.frames);
  }
}

TEST(WaitForChoice, ClickMadeBeforeTheWaitDoesNotEndIt) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  player.choices.Choices[0] = {U"Click!", 40};
  player.input.LeftClicked = true;
  player.input.RightClicked = true;
  sp.display.on_poll = [&](std::vector<InputEvent>& out) {
    if (sp.display.polls == 5) out.push_back(LeftClick(3, 3));
  };
  EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
  EXPECT_EQ(sp.display.polls, 5);
  EXPECT_EQ(player.script.ScriptPosition, 40) << "a click wait leaves the script where it was";
}

TEST(WaitForChoice, NoOptionEndsTheProgram) {
  ScriptedPlayer sp;
  Player& player = sp.player;
  EXPECT_THROW(static_cast<void>(WaitForChoice(player)), ProgramExit);
  // After a choice every text is empty: a second wait without new options ends the program too.
  Register(player, 2);
  sp.display.Queue({LeftClick(300, 270)});
  EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
  EXPECT_EQ(player.script.ScriptPosition, 100);
  EXPECT_THROW(static_cast<void>(WaitForChoice(player)), ProgramExit);
}

TEST(WaitForChoice, TablesWithGapsOfferTheirFilledEntriesInOrder) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int32_t>> entries;  // entry, position (text "x")
    int click_y;
    int32_t expected;  // ScriptPosition after, or -1 when the program ends
  };
  const Case cases[] = {
      // Entries 0 and 2: two rows (265 and 295); the second row is entry 2.
      {"0 and 2, second row", {{0, 100}, {2, 150}}, 300, 150},
      {"0 and 2, first row", {{0, 100}, {2, 150}}, 270, 100},
      // Only entry 2 filled, entry 0's position stale: a click wait that continues at entry 2.
      {"only 2", {{2, 150}}, 10, 150},
      // A position outside the script is not offered.
      {"0 outside, 1 inside", {{0, 0}, {1, 150}}, 10, 150},
      {"position at the file's end", {{0, 200}, {1, 150}}, 10, 150},
      {"position before the script", {{0, 36}}, 10, -1},
      {"position far past the end", {{3, 1 << 30}}, 10, -1},
  };
  for (const Case& c : cases) {
    ScriptedPlayer sp;
    Player& player = sp.player;
    for (const auto& [entry, position] : c.entries) player.choices.Choices[entry] = {U"x", position};
    sp.display.Queue({LeftClick(300, c.click_y)});
    if (c.expected < 0) {
      EXPECT_THROW(static_cast<void>(WaitForChoice(player)), ProgramExit) << c.name;
    } else {
      EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
      EXPECT_EQ(player.script.ScriptPosition, c.expected) << c.name;
    }
  }
}

// The click marker: a one-entry table blinks "▼" in 500 ms phases, starting with a hidden phase.
TEST(ClickMarker, BlinksIn500MsPhases) {
  struct Case {
    const char* name;
    uint8_t text_mode;
    int x;
    int y;
    double size_pt;
    uint32_t colour;
  };
  const Case cases[] = {
      {"window", 0, 570, 440, 10, 0xF08040},
      {"page, beside the end of the text", 1, 206, 106, 12, 0xFFE0E0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlayer sp;
    Player& player = sp.player;
    player.script.TextMode = c.text_mode;
    player.text.TextCursorX = 200;
    player.text.TextCursorY = 100;
    player.choices.Choices[0] = {U"A", 40};
    const int em = testing::Em(c.size_pt);
    std::vector<std::pair<uint32_t, bool>> frames;  // tick of each flip, marker shown
    sp.display.on_present = [&](const Surface& frame) {
      frames.push_back(
          {sp.clock.TickCount(), frame.ReadPixel(c.x + em / 2, c.y + em / 2) == sp.Pixel(c.colour)});
    };
    sp.display.on_poll = [&](std::vector<InputEvent>& out) {
      if (sp.clock.TickCount() > 2600) out.push_back(LeftClick());
    };
    EXPECT_EQ(WaitForChoice(player), WaitEnd::kChosen);
    ASSERT_GT(frames.size(), 100u);
    EXPECT_FALSE(frames[0].second) << "the first present shows no marker";
    // Where the marker appears or disappears; a pass is 17 ms, so a phase ends within 17 ms of its time.
    std::vector<uint32_t> changes;
    for (size_t i = 1; i < frames.size(); ++i) {
      if (frames[i].second != frames[i - 1].second) changes.push_back(frames[i].first);
    }
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_GE(changes[0], 500u) << "the first phase is hidden";
    EXPECT_LE(changes[0], 550u);
    for (size_t i = 1; i < changes.size(); ++i) {
      EXPECT_GE(changes[i] - changes[i - 1], 500u);
      EXPECT_LE(changes[i] - changes[i - 1], 534u);
    }
  }
}

TEST(ClickMarker, ManyOptionsJustFlip) {
  ScriptedPlayer sp;
  Register(sp.player, 2);
  ShowClickMarker(sp.player, 2);
  EXPECT_EQ(sp.display.presents, 1);
  EXPECT_FALSE(sp.player.choices.Blink.MarkerHidden) << "the blink state is untouched";
}

TEST(ClickMarker, StaleOrWrappedPhaseEndToggles) {
  // The phase is over unless its end lies within one phase ahead, whatever the counter did meanwhile.
  struct Case {
    uint32_t now;
    uint32_t next_toggle;
    bool toggles;
  };
  const Case cases[] = {{100, 400, false},          {100, 600, false},     {100, 601, true},
                        {400, 400, true},           {500, 400, true},      {0xFFFFFFF0u, 0x100, false},
                        {0x100, 0xFFFFFFF0u, true}, {0x80000000u, 0, true}};
  for (const Case& c : cases) {
    ScriptedPlayer sp(32, c.now);
    sp.player.choices.Blink = {false, c.next_toggle};
    ShowClickMarker(sp.player, 1);
    EXPECT_EQ(sp.player.choices.Blink.MarkerHidden, c.toggles) << c.now << " " << c.next_toggle;
    EXPECT_EQ(sp.display.presents, c.toggles ? 0 : 1);
    if (c.toggles) {
      EXPECT_EQ(sp.player.choices.Blink.NextToggle, c.now + 500);
    }
  }
}

}  // namespace
}  // namespace corv
