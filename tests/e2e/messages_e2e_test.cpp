// A game built with advc and played by the real player, headless, through an events file: message text
// in the window and on the page, a choice with its highlight, the click waits and the marker. Frames are
// checked by where text pixels appear, never by a font's exact shapes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/png.h"

namespace {

namespace fs = std::filesystem;

class PlayedGame : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("corv_messages_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

  int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Builds the source and plays it with the events; returns the player's exit status.
  int Play(const std::string& source, const std::string& events) {
    Write("game.txt", source);
    Write("events.txt", events);
    const std::string d = dir_.string();
    EXPECT_EQ(Run(std::string(ADVC_EXE) + " build " + d + "/game.txt -o " + d + "/GAME.ADV"), 0);
    // Shots are written relative to the working folder: play from the game's.
    return Run("cd " + d + " && " + std::string(CORVALLINE_EXE) +
               " --headless --depth 32 --drawing-mode 1 --events " + d + "/events.txt --trace " + d +
               "/trace.txt " + d + "/GAME.ADV");
  }

  corv::RgbImage Shot(const std::string& name) {
    corv::Result<corv::RgbImage> image = corv::ReadPngFile((dir_ / name).string());
    EXPECT_TRUE(image.ok()) << image.error();
    return image ? std::move(image).value() : corv::RgbImage();
  }

  std::string Trace() {
    std::ifstream in(dir_ / "trace.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
};

using corv::e2e::Count;
using corv::e2e::Rgb;
int White(const corv::RgbImage& image, int x, int y, int w, int h) {
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
  const corv::RgbImage choice = Shot("choice.png");
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
  const corv::RgbImage highlight = Shot("highlight.png");
  EXPECT_GT(White(highlight, 120, 295, 80, 20), 20);
  EXPECT_EQ(White(highlight, 120, 265, 80, 20), 0);
  EXPECT_GT(Count(highlight, 120, 265, 80, 20, Rgb{160, 160, 160}), 20);

  // The south branch, then a one-option click wait: no list, a blinking marker at (570, 440).
  const corv::RgbImage click1 = Shot("click1.png"), click2 = Shot("click2.png");
  EXPECT_GT(White(click1, 68, 355, 90, 18), 40) << "南に着いた";
  EXPECT_EQ(Count(click1, 100, 225, 440, 100, Rgb{160, 160, 160}), 0) << "a click wait shows no list";
  const int marker1 = Count(click1, 570, 440, 20, 20, Rgb{64, 128, 240});
  const int marker2 = Count(click2, 570, 440, 20, 20, Rgb{64, 128, 240});
  EXPECT_TRUE((marker1 > 5) != (marker2 > 5)) << marker1 << " " << marker2;

  // Page text up to the CR: large type from (30, 30); the next line still empty; the marker beside it.
  const corv::RgbImage page = Shot("page.png");
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
  const corv::RgbImage full = Shot("full.png");
  for (int line = 0; line < 5; ++line) {
    EXPECT_GT(White(full, 68, 355 + 18 * line, 18, 18), 10) << line;
    EXPECT_GT(White(full, 554, 355 + 18 * line, 18, 18), 10) << line;
    EXPECT_EQ(White(full, 572, 355 + 18 * line, 18, 18), 0) << line;
  }
  const corv::RgbImage rest = Shot("rest.png");
  EXPECT_GT(White(rest, 230, 355, 18, 18), 10) << "the tenth of the rest";
  EXPECT_EQ(White(rest, 248, 355, 300, 18), 0);
  EXPECT_EQ(White(rest, 68, 373, 500, 80), 0) << "the window was emptied";
}

}  // namespace
