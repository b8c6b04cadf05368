// Where message text and choice lists land, played by the real player headless through events files:
// the end of a window-text line, the scroll of page text that reaches the foot of the screen, a click
// during slow typing, three-option lists in both text modes with their hit areas, and a wait that finds
// no options. Every expected position is worked out from the layout rules in the comments; text is found
// by where white type pixels appear and where they do not, never by a font's exact shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// Builds GAME.ADV from the source and plays it headless (depth 32, normal drawing) with the events,
// tracing into trace.txt; the shots land in the folder.
RunResult Play(const ScratchFolder& folder, const std::string& source, const std::string& events) {
  BuildGame(source, folder.path() / "GAME.ADV");
  WriteFile(folder.path() / "events.txt", events);
  return RunPlayer({"--headless", "--depth", "32", "--drawing-mode", "normal", "--events", "events.txt",
                    "--trace", "trace.txt", "GAME.ADV"},
                   folder.path(), std::chrono::seconds(180));
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The first `count` characters of a row of distinct kana (at most 24).
std::string Kana(int count) {
  static const std::u32string kRow = U"あいうえおかきくけこさしすせそたちつてとなにぬね";
  std::string out;
  for (int i = 0; i < count; ++i) {
    const char32_t c = kRow[i];  // all three-byte UTF-8
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::string Shots(const std::string& name, int index) {
  return name + std::to_string(index) + ".png";
}

struct Cell {
  int x, y;
};

// Window text cells are 18 pixels square, page text cells 24 wide and 30 high. A blank cell is judged
// without its two outer columns on each side, where a bold glyph next to it may reach.
bool WindowTyped(const RgbImage& shot, Cell c) {
  return CountWhite(shot, c.x, c.y, 18, 18) > 10;
}
bool WindowBlank(const RgbImage& shot, Cell c) {
  return CountWhite(shot, c.x + 2, c.y, 14, 18) == 0;
}
bool PageTyped(const RgbImage& shot, Cell c) {
  return CountWhite(shot, c.x, c.y, 24, 30) > 10;
}
bool PageBlank(const RgbImage& shot, Cell c) {
  return CountWhite(shot, c.x + 2, c.y, 20, 30) == 0;
}

// Pixels in rows [top, bottom) of `moved` that differ from the pixel `shift` rows lower in `before`.
int MovedMismatches(const RgbImage& moved, const RgbImage& before, int shift, int top, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < moved.width; ++x) n += !(PixelAt(moved, x, y) == PixelAt(before, x, y + shift));
  }
  return n;
}

// ---- The end of a window-text line ----

// Character k of a window line (from 0) stands at x 68 + 18 k; after it x is 86 + 18 k. While two or more
// characters follow, the line ends once x passes 560, first for k = 27: 28 characters, the last at 554.
// When fewer than two follow, the limit is 580: after the character at 554 x is 572, not past 580, so the
// last character stands at 572 on the same line (x 590 then ends the line). A CR LF counts as two
// characters that follow. Lines are 18 apart from y 355.
struct LineEndCase {
  const char* name;
  std::string text;
  std::vector<Cell> typed, blank;
  bool fifth_line_ends_message = false;  // a "Click!" wait comes inside the message, then an empty window
};

const std::vector<LineEndCase>& LineEndCases() {
  const std::string a = "あ";
  static const std::vector<LineEndCase> cases = {
      {"29 characters: the last at 572", Repeat(a, 29), {{554, 355}, {572, 355}}, {{68, 373}, {86, 373}}},
      {"28 characters: nothing at 572", Repeat(a, 28), {{554, 355}}, {{572, 355}, {68, 373}}},
      {"30 characters: two go to the next line",
       Repeat(a, 30),
       {{554, 355}, {68, 373}, {86, 373}},
       {{572, 355}, {104, 373}}},
      {"29 characters and a CR LF: the 29th goes to the next line",
       Repeat(a, 29) + "\\n",
       {{554, 355}, {68, 373}},
       {{572, 355}, {86, 373}}},
      {"28 + 29 characters: the second line runs to 572",
       Repeat(a, 57),
       {{554, 355}, {554, 373}, {572, 373}},
       {{572, 355}, {68, 391}}},
      // 4 x 28 + 29 = 141: the fifth line (y 355 + 4 x 18 = 427) ends with the character at 572.
      {"the fifth line ended by its last character",
       Repeat(a, 141),
       {{554, 427}, {572, 427}, {68, 355}},
       {{572, 409}},
       true},
      // 4 x 28 + 28 and a CR LF: the pair ends the fifth line after the character at 554.
      {"the fifth line ended by a final CR LF",
       Repeat(a, 140) + "\\n",
       {{554, 427}, {68, 355}},
       {{572, 427}},
       true},
  };
  return cases;
}

TEST(WindowTextLineEnd, FewerThanTwoFollowingCharactersRunTo572) {
  ScratchFolder folder;
  for (const LineEndCase& c : LineEndCases()) {
    SCOPED_TRACE(c.name);
    const RunResult result = Play(folder, "text_wait 0\nmessage \"" + c.text + "\"\nclick\nend\n",
                                  "idle\nshot text.png\nclick 5 5\nidle\nshot after.png\nclick 5 5\n");
    if (HasFatalFailure()) return;
    EXPECT_EQ(result.status, 0) << result.err;
    const RgbImage text = ReadShot(folder.path() / "text.png");
    ASSERT_EQ(text.width, 640);
    for (Cell cell : c.typed) EXPECT_TRUE(WindowTyped(text, cell)) << cell.x << "," << cell.y;
    for (Cell cell : c.blank) EXPECT_TRUE(WindowBlank(text, cell)) << cell.x << "," << cell.y;
    // Nothing past the last cell of a line (x 572 + 18 = 590).
    EXPECT_EQ(CountWhite(text, 590, 340, 50, 140), 0);

    // A message whose fifth line it ends waits for "Click!" and empties the window before the message
    // command ends: the click wait after it shows an empty window.
    const bool after = fs::exists(folder.path() / "after.png");
    EXPECT_EQ(after, c.fifth_line_ends_message);
    if (after) {
      EXPECT_EQ(CountWhite(ReadShot(folder.path() / "after.png"), 0, 330, 640, 150), 0);
    }
    fs::remove(folder.path() / "after.png");
  }
}

// ---- Page text reaching the foot of the screen ----

// Page text lines stand 30 apart from y 30. A first message of 13 lines (line j holds j + 1 characters,
// so that no two lines look alike) ends on line 12 at y 30 + 12 x 30 = 390; the second message starts one
// line lower, at 420, and its next line would start at 450, past 430: the page scrolls 2 pixels at a time
// while k = 0, 2, ..., 208 stays within 210 - 2, that is 105 steps and 210 pixels, and the text goes on at
// 450 - 210 = 240. Rows above 30 never move.
//
// The scroll pauses a tenth of the typing pause after each step: with 10 ms a character that is 1 ms,
// one look for input on the headless clock, so the player takes one events command per step and the shot
// taken at step i shows the page moved up by 2 i.
struct ScrollCase {
  const char* name;
  std::string line13;  // the second message's first line
  int line13_cells;
  bool ends_with_break;  // a CR LF ends it (a click wait, then the scroll) rather than the line filling up
};

TEST(PageTextScroll, ReachingY450ScrollsUp210In105StepsAndGoesOnAt240) {
  // 24 characters fill a page line: character k stands at 30 + 24 k, and after the 24th x is 606 > 600.
  const std::vector<ScrollCase> cases = {
      {"a line break takes the text to 450", Kana(14) + "\\n", 14, true},
      {"a full line takes the text to 450", Kana(24), 24, false},
  };
  ScratchFolder folder;
  for (const ScrollCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string first;
    for (int j = 0; j <= 12; ++j) first += (j ? "\\n" : "") + Kana(j + 1);
    const std::string source = "text_mode page\ntext_wait 0\nmessage \"" + first +
                               "\"\nclick\ntext_wait 10\nmessage \"" + c.line13 + "新しい\"\nclick\nend\n";

    std::string events;
    for (int j = 0; j < 12; ++j) events += "idle\nclick 5 5\n";  // the line breaks of the first message
    events += "idle\nshot page.png\nclick 5 5\n";                // its click wait: lines 0 to 12
    events += "idle\nclick 5 5\n";  // in the first character's pause: the rest of the line comes at once
    if (c.ends_with_break) events += "idle\nclick 5 5\n";  // the click wait at the line break
    for (int i = 1; i <= 105; ++i) events += "shot " + Shots("step", i) + "\n";
    events += "shot after.png\nclick 5 5\nidle\nshot end.png\nclick 5 5\n";

    const RunResult result = Play(folder, source, events);
    if (HasFatalFailure()) return;
    EXPECT_EQ(result.status, 0) << result.err;

    // Before: line j at y 30 + 30 j, its last character in cell j.
    const RgbImage page = ReadShot(folder.path() / "page.png");
    ASSERT_EQ(page.width, 640);
    for (int j = 0; j <= 12; ++j) {
      const int y = 30 + 30 * j;
      EXPECT_TRUE(PageTyped(page, {30 + 24 * j, y})) << "line " << j;
      EXPECT_TRUE(PageBlank(page, {30 + 24 * (j + 1), y})) << "line " << j;
    }

    // Each step: rows from 30 down show what stood 2 i lower, and neither 2 i - 2 nor 2 i + 2 lower
    // (compared down to row 390, above the marker beside line 12); the rows above 30 stay empty.
    for (int i = 1; i <= 105; ++i) {
      const RgbImage step = ReadShot(folder.path() / Shots("step", i));
      ASSERT_EQ(step.width, 640) << "step " << i;
      const int bottom = 390 - 2 * i;
      EXPECT_EQ(MovedMismatches(step, page, 2 * i, 30, bottom), 0) << "step " << i;
      EXPECT_GT(MovedMismatches(step, page, 2 * i - 2, 30, bottom), 0) << "step " << i;
      EXPECT_GT(MovedMismatches(step, page, 2 * i + 2, 30, bottom - 2), 0) << "step " << i;
      EXPECT_EQ(CountWhite(step, 0, 0, 640, 30), 0) << "step " << i;
    }

    // After the 105th step the page stays where it is and the text goes on at (30, 240).
    for (const char* name : {"after.png", "end.png"}) {
      SCOPED_TRACE(name);
      const RgbImage shot = ReadShot(folder.path() / name);
      ASSERT_EQ(shot.width, 640);
      EXPECT_EQ(MovedMismatches(shot, page, 210, 30, 180), 0);
      EXPECT_GT(MovedMismatches(shot, page, 212, 30, 178), 0);
      EXPECT_TRUE(PageTyped(shot, {30, 240}));
      EXPECT_EQ(CountWhite(shot, 0, 0, 640, 30), 0);
    }
    // The end: line 12 at 390 - 210 = 180, line 13 at 210, the three new characters at 240, and nothing
    // below them.
    const RgbImage end = ReadShot(folder.path() / "end.png");
    EXPECT_TRUE(PageTyped(end, {30 + 24 * 12, 180}));
    EXPECT_TRUE(PageBlank(end, {30 + 24 * 13, 180}));
    EXPECT_TRUE(PageTyped(end, {30 + 24 * (c.line13_cells - 1), 210}));
    if (c.line13_cells < 24) {
      EXPECT_TRUE(PageBlank(end, {30 + 24 * c.line13_cells, 210}));
    }
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(PageTyped(end, {30 + 24 * k, 240})) << k;
    EXPECT_EQ(CountWhite(end, 30 + 24 * 3 + 2, 240, 640 - 32 - 24 * 3, 30), 0);
    EXPECT_EQ(CountWhite(end, 0, 270, 640, 210), 0);
  }
}

// ---- A click during slow typing ----

// Ten characters at 200 ms each. On the headless clock a frame takes 16 ms and a look for input 1 ms:
// the first character's pause runs from its frame for 200 looks; the second character's frame follows
// (216 ms after the first) and its pause ends at 416. The events take the shot in the first pause, then
// hold back 300 ms from its fourth look (304), inside the second pause, and shoot and click there. Window
// text typed after the click shows only at the next frame, the click wait's; page text presents its page
// when the message ends.
struct TypingCase {
  const char* name;
  const char* mode;
  Cell first;
  int advance;
  int shown_before_wait;  // characters on screen between the message's end and the click wait
};

TEST(ClickDuringTyping, TheRestOfTheMessageShowsAtTheNextFrame) {
  const std::vector<TypingCase> cases = {
      {"window text", "window", {68, 355}, 18, 2},
      {"page text", "page", {30, 30}, 24, 10},
  };
  ScratchFolder folder;
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult result = Play(
        folder,
        std::string("text_mode ") + c.mode + "\ntext_wait 200\nmessage \"" + Kana(10) + "\"\nclick\nend\n",
        "idle\nshot one.png\nwait 300\nshot two.png\nclick 300 200\nshot typed.png\nidle\nshot wait.png\n"
        "click 5 5\n");
    if (HasFatalFailure()) return;
    EXPECT_EQ(result.status, 0) << result.err;
    const bool page = std::string(c.mode) == "page";
    auto shown = [&](const char* name) {
      const RgbImage shot = ReadShot(folder.path() / name);
      int n = 0;
      for (int k = 0; k < 11; ++k) {
        const Cell cell{c.first.x + c.advance * k, c.first.y};
        const bool typed = page ? PageTyped(shot, cell) : WindowTyped(shot, cell);
        const bool blank = page ? PageBlank(shot, cell) : WindowBlank(shot, cell);
        EXPECT_TRUE(typed || blank) << name << " cell " << k;  // nothing half drawn
        if (typed && n == k) ++n;
      }
      return n;
    };
    EXPECT_EQ(shown("one.png"), 1);
    EXPECT_EQ(shown("two.png"), 2);
    EXPECT_EQ(shown("typed.png"), c.shown_before_wait);
    EXPECT_EQ(shown("wait.png"), 10);
  }
}

// ---- Three options ----

// The game's script, from position 37: text_wait (2 bytes), text_mode (2), the message (9), then per
// option its registration (9), "v1 = k" (6), a goto (3) and the end marker (1), 19 bytes from 50; the wait
// at 50 + 3 x 19 = 107, the label at 108 and the end at 113. Option k's body starts at 59 + 19 k.
std::string ThreeOptionGame(const char* mode, const std::string& text) {
  return std::string("text_wait 0\ntext_mode ") + mode + "\nmessage \"" + text +
         "\"\nchoice {\n"
         "  option \"道0\" { v1 = 0; goto after }\n"
         "  option \"道1\" { v1 = 1; goto after }\n"
         "  option \"道2\" { v1 = 2; goto after }\n"
         "}\nwait\nafter:\nend\n";
}

struct ChoiceCase {
  const char* name;
  const char* mode;
  std::string text;
  int first_row;        // y of row 0
  int row_height;       // the pointer is on row i when y < pointer y < y + height
  int x_low, x_high;    // and x_low < pointer x < x_high
  int text_x;           // where the option texts start
  int chosen;           // the row finally clicked
  Cell page_text_last;  // the message's last character after any scroll (page text), else {0, 0}
};

struct Probe {
  int x, y;
  int row;  // the row lit with the pointer there, or -1
};

// Points just inside and just outside each row's hit area, and one between each two rows.
std::vector<Probe> Probes(const ChoiceCase& c) {
  std::vector<Probe> probes;
  const int mid_x = 300;
  for (int i = 0; i < 3; ++i) {
    const int y = c.first_row + 30 * i;
    probes.push_back({c.x_low + 1, y + 1, i});
    probes.push_back({c.x_high - 1, y + c.row_height - 1, i});
    probes.push_back({c.x_low, y + 1, -1});
    if (c.x_high < 640) probes.push_back({c.x_high, y + 1, -1});
    probes.push_back({mid_x, y, -1});
    probes.push_back({mid_x, y + c.row_height, -1});
    if (i < 2) probes.push_back({mid_x, (y + c.row_height + y + 30) / 2, -1});
  }
  return probes;
}

TEST(ThreeOptionChoice, RowsHitAreasAndTheChosenBody) {
  // Window text: rows from 325 - 30 x 3 = 235, every 30, 20 high, x strictly between 100 and 540, text
  // at x 120. Page text: rows from the text cursor + 30, 26 high, x strictly between 0 and 640, text at
  // x 30. One character of page text leaves the cursor at y 30: rows from 60. 12 full lines and one
  // character (12 x 24 + 1) leave it at 30 + 12 x 30 = 390, not below 450 - 3 x 30 = 360: the page first
  // scrolls up 210, to 180, and the rows start at 210; the last character now stands at (30, 180).
  const std::vector<ChoiceCase> cases = {
      {"window text", "window", "あ", 235, 20, 100, 540, 120, 2, {0, 0}},
      {"page text", "page", "あ", 60, 26, 0, 640, 30, 1, {30, 30}},
      {"page text near the foot", "page", Repeat("あ", 12 * 24 + 1), 210, 26, 0, 640, 30, 0, {30, 180}},
  };
  ScratchFolder folder;
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Probe> probes = Probes(c);
    std::string events = "idle\nshot list.png\n";
    for (size_t p = 0; p < probes.size(); ++p) {
      events += "move " + std::to_string(probes[p].x) + " " + std::to_string(probes[p].y) + "\nshot " +
                Shots("probe", static_cast<int>(p)) + "\n";
    }
    // Clicks off the rows are used up without effect; the wait goes on until a row is clicked.
    for (const Probe& p : probes) {
      if (p.row < 0) events += "click " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    }
    events += "shot missed.png\nclick " + std::to_string(c.x_low + 1) + " " +
              std::to_string(c.first_row + 30 * c.chosen + 1) + "\n";

    const RunResult result = Play(folder, ThreeOptionGame(c.mode, c.text), events);
    if (HasFatalFailure()) return;
    EXPECT_EQ(result.status, 0) << result.err;

    // Row i's box: from its text's x, 30 high. All three grey, none white, when no row is lit.
    auto lit = [&](const RgbImage& shot, int i) {
      return CountWhite(shot, c.text_x, c.first_row + 30 * i, 120, 30);
    };
    auto grey = [&](const RgbImage& shot, int i) {
      return Count(shot, c.text_x, c.first_row + 30 * i, 120, 30, Rgb{160, 160, 160});
    };
    for (const char* name : {"list.png", "missed.png"}) {
      const RgbImage shot = ReadShot(folder.path() / name);
      ASSERT_EQ(shot.width, 640);
      for (int i = 0; i < 3; ++i) {
        EXPECT_GT(grey(shot, i), 20) << name << " row " << i;
        EXPECT_EQ(lit(shot, i), 0) << name << " row " << i;
      }
      EXPECT_EQ(Count(shot, c.text_x, c.first_row + 90, 120, 30, Rgb{160, 160, 160}), 0) << "no fourth row";
    }
    for (size_t p = 0; p < probes.size(); ++p) {
      SCOPED_TRACE("pointer at " + std::to_string(probes[p].x) + "," + std::to_string(probes[p].y));
      const RgbImage shot = ReadShot(folder.path() / Shots("probe", static_cast<int>(p)));
      for (int i = 0; i < 3; ++i) {
        if (i == probes[p].row) {
          EXPECT_GT(lit(shot, i), 20) << "row " << i;
        } else {
          EXPECT_EQ(lit(shot, i), 0) << "row " << i;
          EXPECT_GT(grey(shot, i), 20) << "row " << i;
        }
      }
    }

    // The box behind a window-text list: (8, 8, 16) at 75 % over black is (6, 6, 12), from y 315 - 90 =
    // 225 to 325 and x 100 to 540; page text has none.
    const RgbImage list = ReadShot(folder.path() / "list.png");
    const Rgb box{6, 6, 12}, black{0, 0, 0};
    if (std::string(c.mode) == "window") {
      for (Cell in : {Cell{300, 226}, Cell{300, 324}, Cell{101, 300}, Cell{539, 300}}) {
        EXPECT_EQ(PixelAt(list, in.x, in.y), box) << in.x << "," << in.y;
      }
      for (Cell out : {Cell{300, 224}, Cell{300, 326}, Cell{99, 300}, Cell{541, 300}}) {
        EXPECT_EQ(PixelAt(list, out.x, out.y), black) << out.x << "," << out.y;
      }
    } else {
      EXPECT_EQ(Count(list, 0, 0, 640, 480, box), 0);
      EXPECT_TRUE(PageTyped(list, c.page_text_last));
      EXPECT_TRUE(PageBlank(list, {c.page_text_last.x + 24, c.page_text_last.y}));
      EXPECT_EQ(CountWhite(list, 0, c.first_row + 90, 640, 480 - c.first_row - 90), 0) << "nothing below";
    }

    // The trace: the wait, then the chosen option's body and on to the end.
    const std::vector<std::string> trace = ReadLines(folder.path() / "trace.txt");
    const int k = c.chosen;
    const std::vector<std::string> tail = {"107 9",
                                           std::to_string(59 + 19 * k) + " 14 v1=" + std::to_string(k),
                                           std::to_string(65 + 19 * k) + " 10",
                                           "108 5",
                                           "113 15",
                                           "end"};
    ASSERT_GE(trace.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(trace.end() - tail.size(), trace.end()), tail);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "107 9"), 1);
  }
}

// ---- A wait with no options ----

// Every wait empties the option table when it ends, so a later opcode 9 with no option registered since
// finds nothing to offer and ends the program at once: the events after it are never reached (no shot is
// taken) and the message after it is never run. Positions from 37: text_wait 2 bytes, text_mode 2, a
// message 9, an option's registration 9, a goto 3, an end marker 1, a wait 1, a label 5.
struct EmptyWaitCase {
  const char* name;
  std::string source;
  std::string events;
  std::vector<std::string> tail;  // the trace's last lines
  std::string never;              // a trace line that must not appear
};

TEST(WaitWithoutOptions, ASecondWaitEndsTheProgram) {
  const std::vector<EmptyWaitCase> cases = {
      // Message at 39, options at 48 and 61 (bodies at 57 and 70), wait 74, label 75, wait 80, message 81.
      {"after a choice",
       "text_wait 0\nmessage \"あ\"\nchoice {\n  option \"一\" { goto after }\n  option \"二\" { goto after "
       "}\n}\n"
       "wait\nafter:\nwait\nmessage \"届かない\"\nend\n",
       "idle\nclick 300 266\nidle\nshot never.png\n",
       {"74 9", "57 10", "75 5", "80 9", "end"},
       "81 130"},
      // Message at 39; the click wait: option at 48 (body 57), end marker 60, wait 61, label 62; wait 67.
      {"after a click wait",
       "text_wait 0\nmessage \"あ\"\nclick\nwait\nmessage \"届かない\"\nend\n",
       "idle\nclick 5 5\nidle\nshot never.png\n",
       {"61 9", "57 10", "62 5", "67 9", "end"},
       "68 130"},
      // Message at 41; its line break waits for a click; the wait at 50.
      {"after the click wait of a page-text line break",
       "text_wait 0\ntext_mode page\nmessage \"あ\\nい\"\nwait\nmessage \"届かない\"\nend\n",
       "idle\nclick 5 5\nidle\nshot never.png\n",
       {"41 130", "50 9", "end"},
       "51 130"},
  };
  ScratchFolder folder;
  for (const EmptyWaitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult result = Play(folder, c.source, c.events);
    if (HasFatalFailure()) return;
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(fs::exists(folder.path() / "never.png")) << "the second wait waited";
    const std::vector<std::string> trace = ReadLines(folder.path() / "trace.txt");
    ASSERT_GE(trace.size(), c.tail.size());
    EXPECT_EQ(std::vector<std::string>(trace.end() - c.tail.size(), trace.end()), c.tail);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), c.never), 0);
  }
}

}  // namespace
}  // namespace corv::e2e
