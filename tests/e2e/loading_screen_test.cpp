// The "Now Loading..." screen as the real player shows it: headless in every colour depth (taken with a
// `shot`), and in a real window on an X server of the test's own, scaled up; Esc ends the run in both.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"

namespace corv::e2e {
namespace {

// A game that never ends by itself.
constexpr char kEndless[] = "spin:\ngoto spin\n";

// Row y of the loading screen: from white at the top to (16, 16, 96) at the bottom.
Rgb GradientRow(int y, int depth) {
  return AtDepth(Rgb{255 - y / 2, 255 - y / 2, 255 - y / 3}, depth);
}

// Where "Now Loading..." may put pixels: its top left corner is (260, 240).
constexpr int kTextLeft = 258, kTextTop = 238, kTextRight = 420, kTextBottom = 268;
bool InTextBox(int x, int y) {
  return x >= kTextLeft && x < kTextRight && y >= kTextTop && y < kTextBottom;
}

TEST(LoadingScreen, HeadlessInEachDepthShowsTheGradientAndTheTextAndEscEndsTheEndlessGame) {
  ScratchFolder folder;
  BuildGame(kEndless, folder.path() / "SPIN.ADV");
  if (HasFatalFailure()) return;
  WriteFile(folder.path() / "events.txt", "wait 200\nshot loading.png\nkey esc\n");
  for (int depth : {16, 24, 32}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    const RunResult result =
        RunPlayer({"--headless", "--depth", std::to_string(depth), "--events", "events.txt", "SPIN.ADV"},
                  folder.path(), std::chrono::seconds(120));
    ASSERT_FALSE(result.timed_out) << "Esc did not end the run";
    EXPECT_EQ(result.status, 0) << result.err;
    const RgbImage shot = ReadShot(folder.path() / "loading.png");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);

    // Outside the text every pixel is its row's gradient colour; inside, white marks where the text lies.
    int wrong = 0, white = 0;
    int left = 640, right = -1, top = 480, bottom = -1;
    for (int y = 0; y < 480; ++y) {
      const Rgb row = GradientRow(y, depth);
      for (int x = 0; x < 640; ++x) {
        const Rgb pixel = PixelAt(shot, x, y);
        if (!InTextBox(x, y)) {
          if (pixel != row && ++wrong <= 5)
            ADD_FAILURE() << "at " << x << "," << y << ": " << pixel << " not " << row;
        } else if (pixel == Rgb{255, 255, 255}) {
          ++white;
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    // Fourteen characters of type: a good many white pixels, starting at the corner and reaching well right.
    EXPECT_GT(white, 150);
    EXPECT_GE(left, 260);
    EXPECT_LE(left, 264);
    EXPECT_GE(top, 240);
    EXPECT_LE(top, 246);
    EXPECT_GT(right, 340);
    EXPECT_LT(bottom, 262);
    // The bottom row: dark blue, exactly (16, 16, 96) in 8:8:8.
    if (depth != 16) {
      EXPECT_EQ(PixelAt(shot, 0, 479), (Rgb{16, 16, 96}));
    }
  }
}

TEST(LoadingScreen, RealWindowShowsItScaledAndEscEndsTheGame) {
  if (!HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(HaveProgram("xdotool") && HaveProgram("import")) << "xdotool and ImageMagick are needed";
  ScratchFolder folder;
  BuildGame(kEndless, folder.path() / "SPIN.ADV");
  if (HasFatalFailure()) return;
  XvfbServer server;
  ASSERT_TRUE(server.Start("1600x1200")) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  // In the sanitized build, what the X and D-Bus libraries keep at exit is not the player's to answer for.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const ScopedEnv no_leak_check("ASAN_OPTIONS",
                                (asan ? std::string(asan) + ":" : std::string()) + "detect_leaks=0");

  for (int depth : {32, 16}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    // The renderer widens 5- and 6-bit channels itself; some drivers land one step short.
    const int tolerance = depth == 16 ? 1 : 0;
    const pid_t pid = StartProgram({CORVALLINE_EXE, "--window", "--depth", std::to_string(depth), "SPIN.ADV"},
                                   folder.path());
    ASSERT_GT(pid, 0);
    std::string id;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (id.empty() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      id = Capture("xdotool search --onlyvisible --name Corvalline 2>/dev/null | head -1");
    }
    if (id.empty()) {
      const RunResult gone = WaitForProgram(pid, folder.path(), std::chrono::seconds(1));
      FAIL() << "no window appeared; " << gone.err;
    }
    // The first frame reaches the window some time after it opens, later on a busy machine: look again
    // until the top row is the gradient's white and the bottom row its dark blue.
    const std::string shot = folder / "window.ppm";
    RgbImage image;
    const auto shown_by = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      EXPECT_EQ(std::system(("import -window " + id + " -depth 8 ppm:" + shot).c_str()), 0);
      EXPECT_TRUE(ReadImage(shot, image));
    } while (!(image.width == 1280 && image.height == 960 &&
               Near(PixelAt(image, 0, 0), GradientRow(0, depth), tolerance) &&
               Near(PixelAt(image, 0, 959), GradientRow(479, depth), tolerance)) &&
             std::chrono::steady_clock::now() < shown_by);
    // Twice 640 x 480 is the largest whole multiple that fits a 1600 x 1200 desktop.
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 960);
    if (image.width == 1280 && image.height == 960) {
      // Every screen row y fills window rows 2y and 2y + 1 with its gradient colour.
      for (int y : {0, 1, 2, 50, 101, 239, 300, 417, 479}) {
        for (int x : {0, 150, 639}) {
          for (int d : {0, 1}) {
            EXPECT_PRED3(Near, PixelAt(image, 2 * x + d, 2 * y + d), GradientRow(y, depth), tolerance)
                << x << "," << y;
          }
        }
      }
      const Rgb white{255, 255, 255};
      EXPECT_GT(CountNear(image, 2 * kTextLeft, 2 * kTextTop, 2 * (kTextRight - kTextLeft),
                          2 * (kTextBottom - kTextTop), white, tolerance),
                400)
          << "the text, four window pixels to each of its own";
      EXPECT_EQ(CountNear(image, 0, 2 * kTextBottom, 1280, 960 - 2 * kTextBottom, white, tolerance), 0);
    }

    EXPECT_EQ(std::system(("xdotool windowfocus --sync " + id + " key Escape").c_str()), 0);
    const RunResult result = WaitForProgram(pid, folder.path(), std::chrono::seconds(30));
    EXPECT_FALSE(result.timed_out) << "Esc did not end the program";
    EXPECT_EQ(result.status, 0) << result.err;
  }
}

// Without any display to show it on, the player must say so and end, not play on where nobody sees it
// (where nothing can take the Esc that would end it).
TEST(LoadingScreen, NoDisplayToShowTheGameOnEndsWithStatusOne) {
  ScratchFolder folder;
  BuildGame(kEndless, folder.path() / "SPIN.ADV");
  if (HasFatalFailure()) return;
  // Both put back afterwards; unset now.
  const ScopedEnv no_x("DISPLAY", "");
  const ScopedEnv no_wayland("WAYLAND_DISPLAY", "");
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  for (const char* mode : {"--window", "--fullscreen"}) {
    SCOPED_TRACE(mode);
    const RunResult result = RunPlayer({mode, "--depth", "32", "SPIN.ADV"}, folder.path(),
                                       std::chrono::seconds(kSanitized ? 60 : 20));
    EXPECT_FALSE(result.timed_out) << "the game played on with nothing to show it";
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("display"), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace corv::e2e
