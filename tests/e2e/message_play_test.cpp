// Messages through the real player: the message window's colours in every drawing style and colour depth
// over a white picture, worked out from the shading arithmetic; and a long generated game with window and
// page text, choices and branches, played to its end by a script of clicks.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bmp_writer.h"
#include "e2e_support.h"

namespace corv::e2e {
namespace {

void WriteWhitePicture(const fs::path& path) {
  WriteFile(path, test::MakeBmp(640, 480, 24, {}, [](int, int) { return 0xFFFFFFu; }));
}

// Places on the screen that all show one colour.
struct Probe {
  std::vector<std::pair<int, int>> at;
  Rgb at32;  // 24 and 32 bits: 8:8:8
  Rgb at16;  // 5:6:5, widened again by repeating the top bits
};

struct WindowCase {
  const char* name;
  const char* drawing_mode;
  const char* text_mode;
  std::vector<Probe> probes;
};

constexpr Rgb kWhite{255, 255, 255};

// White blended 70 % with (0, 0, 39): 8:8:8 gives (255 * 30) / 100 = 76 and (255 * 30 + 39 * 70) / 100 = 103.
// 5:6:5: 31 * 30 / 100 = 9, 63 * 30 / 100 = 18, (31 * 30 + (39 / 8) * 70) / 100 = 12, widened to (74, 73,
// 99). Page darkening by 64: 191 everywhere; 5:6:5 subtracts (7, 16, 8): (24, 47, 23), widened (198, 190,
// 189). Fine bands: band i is (3(i + 1), 3(i + 1), 39 + 3(i + 1)) at 70 % on rows 340 + 3(39 - i) and the
// next two:
//   i = 0 (rows 457-459): (3, 3, 42) -> (78, 78, 105); 5:6:5 fields (0, 0, 5) -> (9, 18, 12) -> (74, 73, 99)
//   i = 20 (rows 397-399): (63, 63, 102) -> (120, 120, 147); fields (7, 15, 12) -> (14, 29, 17) -> (115, 117,
//   140) i = 39 (rows 340-342): (120, 120, 159) -> (160, 160, 187); fields (14, 30, 19) -> (19, 39, 22) ->
//   (156, 158, 181)
// (red fields are 32 * red / 263 rounded down; green red / 4; blue / 8.)
const std::vector<WindowCase>& WindowCases() {
  static const std::vector<WindowCase> cases = {
      {"normal",
       "normal",
       "window",
       {{{{300, 400}, {50, 340}, {590, 460}}, {76, 76, 103}, {74, 73, 99}},
        {{{591, 400}, {300, 461}, {49, 400}, {300, 339}}, kWhite, kWhite}}},
      {"page text",
       "normal",
       "page",
       {{{{300, 400}, {639, 479}, {0, 0}, {600, 200}}, {191, 191, 191}, {198, 190, 189}}}},
      {"page text, coarse", "coarse", "page", {{{{300, 400}}, {191, 191, 191}, {198, 190, 189}}}},
      {"coarse",
       "coarse",
       "window",
       {{{{300, 400}, {51, 341}, {589, 459}}, {0, 0, 39}, {0, 0, 33}},
        {{{591, 400}, {300, 461}, {49, 400}}, kWhite, kWhite}}},
      {"fine",
       "fine",
       "window",
       {{{{300, 458}}, {78, 78, 105}, {74, 73, 99}},
        {{{300, 398}}, {120, 120, 147}, {115, 117, 140}},
        {{{300, 341}, {50, 340}}, {160, 160, 187}, {156, 158, 181}},
        {{{300, 460}, {591, 400}, {300, 339}}, kWhite, kWhite}}},
  };
  return cases;
}

TEST(MessageWindowColours, EachDrawingStyleInEachDepthOverAWhitePicture) {
  ScratchFolder folder;
  WriteWhitePicture(folder.path() / "WHITE.BMP");
  WriteFile(folder.path() / "events.txt", "idle\nshot window.png\nclick 5 5\n");
  for (const WindowCase& c : WindowCases()) {
    BuildGame(std::string("name background white \"WHITE\"\ntext_wait 0\nbackground white\ntext_mode ") +
                  c.text_mode + "\nmessage \"あ\"\nclick\nend\n",
              folder.path() / "WINDOW.ADV");
    if (HasFatalFailure()) return;
    for (int depth : {16, 24, 32}) {
      SCOPED_TRACE(std::string(c.name) + ", depth " + std::to_string(depth));
      const RunResult result = RunPlayer({"--headless", "--depth", std::to_string(depth), "--drawing-mode",
                                          c.drawing_mode, "--events", "events.txt", "WINDOW.ADV"},
                                         folder.path(), std::chrono::seconds(120));
      EXPECT_EQ(result.status, 0) << result.err;
      const RgbImage shot = ReadShot(folder.path() / "window.png");
      ASSERT_EQ(shot.width, 640);
      for (const Probe& p : c.probes) {
        for (const auto& [x, y] : p.at) {
          EXPECT_EQ(PixelAt(shot, x, y), depth == 16 ? p.at16 : p.at32) << "at " << x << "," << y;
        }
      }
      // The text itself: white type near its first character's place, in window or page style.
      const bool page = std::string(c.text_mode) == "page";
      EXPECT_GT(CountWhite(shot, page ? 30 : 68, page ? 30 : 355, 24, 24), 10);
    }
  }
}

// ---- A long game ----

// The game's source, the events that play it, and the messages its play shows, in order.
struct LongGame {
  std::string source;
  std::string events;
  std::vector<int> shown;         // message numbers
  std::set<int> branch_messages;  // messages that follow a branch label directly
};

// Where page text stands, followed by hand through the typing rules: each message starts a line (30
// pixels) below where the last one ended, the first at y 30; a line break moves down 30; whenever y passes
// 430 the page scrolls up by 210.
struct PageCursor {
  int y = 0;
  bool started = false;

  // A message of `lines` short lines (no line fills the width).
  void Show(int lines) {
    y = started ? y + 30 : 30;
    started = true;
    for (int line = 0; line < lines; ++line) {
      if (y > 430) y -= 210;  // checked after the line's first character
      if (line + 1 < lines) {
        y += 30;  // the line break
        if (y > 430) y -= 210;
      }
    }
  }
  // The first row of a list of n options, after the scroll that makes room for it.
  int ChoiceTop(int n) {
    if (y >= 450 - 30 * n) y -= 210;
    return y + 30;
  }
};

// Sections alternate window and page text; every tenth ends in a choice of two to five options, in window
// and page text by turns, whose branches each show their own message. The option taken changes from
// choice to choice.
LongGame MakeLongGame(int sections) {
  LongGame game;
  std::string& s = game.source;
  std::string& e = game.events;
  s = "text_wait 0\n";
  int number = 0;
  PageCursor page;
  auto message = [&](const std::string& text) {
    s += "message " + std::to_string(++number) + " \"" + text + "\"\n";
    return number;
  };
  auto click = [&](int clicks) {
    for (int i = 0; i < clicks; ++i) e += "idle\nclick 320 240\n";
  };
  // A page message of `lines` lines, each asking for a click at its end.
  auto page_text = [&](const std::string& tag, int lines) {
    std::string text = "頁" + tag;
    for (int line = 1; line < lines; ++line) text += "\\n続き" + std::to_string(line);
    return text;
  };
  for (int k = 0; k < sections; ++k) {
    const std::string tag = std::to_string(k);
    if (k % 2 == 0) {
      s += "text_mode window\n";
      game.shown.push_back(
          message(k % 4 == 0 ? "窓の文" + tag + "。\\n二行目です。" : "窓の文" + tag + "です。"));
    } else {
      s += "text_mode page\n";
      const int lines = 1 + k % 3;
      game.shown.push_back(message(page_text(tag, lines)));
      page.Show(lines);
      click(lines - 1);
    }
    s += "click\n";
    click(1);
    if (k % 10 != 9) continue;

    const int n = 2 + (k / 10) % 4;
    const int taken = (k / 10) % n;
    const bool in_page = (k / 10) % 2 == 1;
    s += in_page ? "text_mode page\n" : "text_mode window\n";
    game.shown.push_back(message("選択" + tag));
    int row_click;
    if (in_page) {
      page.Show(1);
      // Page text rows: 26 high, one every 30 pixels from below the text.
      row_click = page.ChoiceTop(n) + 30 * taken + 13;
    } else {
      // Window text rows: 20 high, one every 30 pixels from 325 - 30 n.
      row_click = 325 - 30 * n + 30 * taken + 10;
    }
    s += "choice {\n";
    for (int i = 0; i < n; ++i) {
      s += "  option \"道" + std::to_string(i) + "\" {\n    v1 = " + std::to_string(i) + "\n    goto after" +
           tag + "\n  }\n";
    }
    s += "}\nwait\nafter" + tag + ":\n";
    e += "idle\nclick 300 " + std::to_string(row_click) + "\n";
    for (int i = 1; i < n; ++i)
      s += "if v1 == " + std::to_string(i) + " goto branch" + tag + "_" + std::to_string(i) + "\n";
    for (int i = 0; i < n; ++i) {
      if (i > 0) s += "branch" + tag + "_" + std::to_string(i) + ":\n";
      const int shown = message("分岐" + tag + "の" + std::to_string(i));
      if (i > 0) game.branch_messages.insert(shown);
      if (i == taken) game.shown.push_back(shown);
      s += "click\ngoto join" + tag + "\n";
    }
    if (in_page) page.Show(1);
    click(1);
    s += "join" + tag + ":\n";
  }
  s += "end\n";
  return game;
}

int32_t Int16At(const std::string& image, int32_t position) {
  return static_cast<uint8_t>(image[position - 1]) | static_cast<uint8_t>(image[position]) << 8;
}

TEST(LongGame, HundredsOfMessagesInBothTextModesWithChoicesPlayToTheEnd) {
  const LongGame game = MakeLongGame(kSanitized ? 120 : 240);
  HeadlessGame played(game.source);
  const RunResult result = played.Play(game.events);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");

  // The messages shown, read from the trace: each opcode 130 line names the instruction whose bytes 5
  // and 6 hold the message number.
  const std::string image = ReadFile(played.folder().path() / "GAME.ADV");
  const std::vector<std::string> trace = played.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), "end");
  std::vector<int> shown;
  for (size_t i = 0; i < trace.size(); ++i) {
    int32_t position = 0;
    int opcode = 0;
    if (std::sscanf(trace[i].c_str(), "%d %d", &position, &opcode) != 2 || opcode != 130) continue;
    ASSERT_LT(position + 6, static_cast<int32_t>(image.size()));
    const int number = Int16At(image, position + 5);
    shown.push_back(number);
    // A branch's message comes right after its label: the jump landed on the label, five bytes before.
    if (game.branch_messages.count(number)) {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(trace[i - 1], std::to_string(position - 5) + " 5") << "message " << number;
    }
  }
  EXPECT_GE(shown.size(), kSanitized ? 140u : 280u);
  EXPECT_EQ(shown, game.shown);
}

}  // namespace
}  // namespace corv::e2e
