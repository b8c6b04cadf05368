// A game built with advc and played by the real player, headless, through an events file: message text
// in the window and on the page, a choice with its highlight, the click waits and the marker. Frames are
// checked by where text pixels appear, never by a font's exact shapes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

namespace fs = std::filesystem;

class PlayedGame : public ::testing::Test {
 protected:
  // Builds the source and plays it with the events; returns the player's exit status.
  int Play(const std::string& source, const std::string& events) {
    game_.emplace(source);
    return game_->Play(events).status;
  }
  corv::test::RgbImage Shot(const std::string& name) const { return game_->Shot(name); }
  std::string Trace() const { return corv::e2e::ReadFile(game_->folder().path() / "trace.txt"); }

  std::optional<corv::e2e::HeadlessGame> game_;
};

using corv::e2e::Count;
using corv::e2e::Rgb;
int White(const corv::test::RgbImage& image, int x, int y, int w, int h) {
  return corv::e2e::CountWhite(image, x, y, w, h);
}

const char* const kGame = R"(text_wait 0
message "ＡＢ\nＥＦ"
choice {
  option "北へ行く" { goto north }
  option "南へ行く" { goto south }
}
wait
north:
message "北"
end
south:
message "南に着いた"
choice { option "next" { goto paper } }
wait
paper:
text_mode page
message "ページ\n二行目"
end
)";

TEST_F(PlayedGame, WindowTextChoiceClickWaitAndPageText) {
  const int status = Play(kGame, R"(idle
shot choice.png
move 300 300
idle
shot highlight.png
click 300 300
idle
shot click1.png
wait 510
shot click2.png
click 10 10
idle
shot page.png
click 10 10
)");
  EXPECT_EQ(status, 0);

  // The first message: Ａ Ｂ on the first line, Ｅ Ｆ on the second, nothing where the CR LF stood.
  const corv::test::RgbImage choice = Shot("choice.png");
  for (auto [x, y] : {std::pair{68, 355}, {86, 355}, {68, 373}, {86, 373}}) {
    EXPECT_GT(White(choice, x, y, 18, 18), 10) << x << "," << y;
  }
  EXPECT_EQ(White(choice, 104, 355, 36, 18), 0);
  EXPECT_EQ(White(choice, 104, 373, 36, 18), 0);
  // Two options in grey at x 120, y 265 and 295; nothing lit.
  EXPECT_GT(Count(choice, 120, 265, 80, 20, Rgb{160, 160, 160}), 20);
  EXPECT_GT(Count(choice, 120, 295, 80, 20, Rgb{160, 160, 160}), 20);
  EXPECT_EQ(White(choice, 100, 225, 440, 100), 0);

  // The pointer on the second row lights it, and only it.
  const corv::test::RgbImage highlight = Shot("highlight.png");
  EXPECT_GT(White(highlight, 120, 295, 80, 20), 20);
  EXPECT_EQ(White(highlight, 120, 265, 80, 20), 0);
  EXPECT_GT(Count(highlight, 120, 265, 80, 20, Rgb{160, 160, 160}), 20);

  // The south branch, then a one-option click wait: no list, a blinking marker at (570, 440).
  const corv::test::RgbImage click1 = Shot("click1.png"), click2 = Shot("click2.png");
  EXPECT_GT(White(click1, 68, 355, 90, 18), 40) << "南に着いた";
  EXPECT_EQ(Count(click1, 100, 225, 440, 100, Rgb{160, 160, 160}), 0) << "a click wait shows no list";
  const int marker1 = Count(click1, 570, 440, 20, 20, Rgb{64, 128, 240});
  const int marker2 = Count(click2, 570, 440, 20, 20, Rgb{64, 128, 240});
  EXPECT_TRUE((marker1 > 5) != (marker2 > 5)) << marker1 << " " << marker2;

  // Page text up to the CR: large type from (30, 30); the next line still empty; the marker beside it.
  const corv::test::RgbImage page = Shot("page.png");
  for (int x : {30, 54, 78}) EXPECT_GT(White(page, x, 30, 24, 24), 10) << x;
  EXPECT_EQ(White(page, 30, 60, 200, 30), 0);
  EXPECT_EQ(White(page, 0, 340, 640, 140), 0) << "no window text";

  const std::string trace = Trace();
  EXPECT_NE(trace.find(" 130\n"), std::string::npos);
  EXPECT_EQ(trace.substr(trace.size() - 4), "end\n");
}

TEST_F(PlayedGame, LongMessageWaitsAfterFiveLines) {
  std::string text;
  for (int i = 0; i < 150; ++i) text += "あ";
  const int status = Play(
      "text_wait 0\nmessage \"" + text + "\"\nchoice { option \"next\" { goto out } }\nwait\nout:\nend\n",
      "idle\nshot full.png\nclick 5 5\nidle\nshot rest.png\nclick 5 5\n");
  EXPECT_EQ(status, 0);
  const corv::test::RgbImage full = Shot("full.png");
  for (int line = 0; line < 5; ++line) {
    EXPECT_GT(White(full, 68, 355 + 18 * line, 18, 18), 10) << line;
    EXPECT_GT(White(full, 554, 355 + 18 * line, 18, 18), 10) << line;
    EXPECT_EQ(White(full, 572, 355 + 18 * line, 18, 18), 0) << line;
  }
  const corv::test::RgbImage rest = Shot("rest.png");
  EXPECT_GT(White(rest, 230, 355, 18, 18), 10) << "the tenth of the rest";
  EXPECT_EQ(White(rest, 248, 355, 300, 18), 0);
  EXPECT_EQ(White(rest, 68, 373, 500, 80), 0) << "the window was emptied";
}

}  // namespace
