// The game window under a window manager: resized, it shows the frame at the largest whole-number scale,
// centred on black, takes clicks where the frame shows them and remembers its size; F1 opens the settings
// dialog over the paused game, whose OK applies and keeps a new volume and leaves the frame as it was.
#include <gtest/gtest.h>

#include "bmp_writer.h"
#include "e2e_support.h"
#include "sound_support.h"

namespace corv::e2e {
namespace {

class WindowOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("Xvfb") || !HaveProgram("openbox")) GTEST_SKIP() << "Xvfb and openbox are needed";
    ASSERT_TRUE(HaveProgram("xdotool") && HaveProgram("import")) << "xdotool and ImageMagick are needed";
    ASSERT_TRUE(server_.Start("1600x1200"));
    display_ = std::make_unique<ScopedEnv>("DISPLAY", server_.display());
    const char* asan = std::getenv("ASAN_OPTIONS");  // the X libraries' leftovers are not the player's
    no_leak_check_ = std::make_unique<ScopedEnv>(
        "ASAN_OPTIONS", (asan ? std::string(asan) + ":" : std::string()) + "detect_leaks=0");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    fs::create_directories(folder_.path() / "wm");
    wm_ = StartProgram({"/usr/bin/openbox"}, folder_.path() / "wm");
    // Windows are mapped through the window manager once it manages the screen, which it announces on
    // the root window; a window shown before may wait for ever for its map.
    for (int i = 0;
         i < 200 &&
         Capture("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") == std::string::npos;
         ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  void TearDown() override {
    if (wm_ > 0 && ::kill(wm_, SIGTERM) == 0) ::waitpid(wm_, nullptr, 0);
  }

  // The first visible window of exactly this name, waited for up to 60 s; empty when none came.
  static std::string WaitForWindow(const std::string& name) {
    for (int i = 0; i < 600; ++i) {
      const std::string id =
          Capture("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null | head -1");
      if (!id.empty()) return id;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
  }

  RgbImage Shoot(const std::string& id, const std::string& name) const {
    const std::string path = (folder_.path() / name).string();
    RgbImage image;
    EXPECT_EQ(std::system(("import -window " + id + " -depth 8 ppm:" + path).c_str()), 0);
    EXPECT_TRUE(ReadImage(path, image)) << path;
    return image;
  }

  ScratchFolder folder_;
  XvfbServer server_;
  std::unique_ptr<ScopedEnv> display_, no_leak_check_;
  pid_t wm_ = -1;
};

// A red background with two window-text options; the second sets v2 = 2. Its row is 295 to 315.
constexpr char kChoiceOnRed[] =
    "name background red \"RED\"\ntext_wait 0\ntext_mode window\nbackground red\nmessage \"どちら？\"\n"
    "choice {\n  option \"一\" {\n    v2 = 1\n    end\n  }\n  option \"二\" {\n    v2 = 2\n    end\n  }\n}\n"
    "wait\n";

TEST_F(WindowOnXvfb, ResizedWindowScalesByWholeStepsAndMapsClicks) {
  WriteFile(folder_.path() / "RED.BMP", test::MakeBmp24(640, 480, [](int, int) { return 0xC03020u; }));
  BuildGame(kChoiceOnRed, folder_.path() / "STORY.ADV");
  if (HasFatalFailure()) return;
  const pid_t pid = StartProgram({CORVALLINE_EXE, "--window", "--depth", "32", "--drawing-mode", "0",
                                  "--config", "settings.ini", "--trace", "trace.txt", "STORY.ADV"},
                                 folder_.path());
  const std::string id = WaitForWindow("Corvalline");
  if (id.empty())
    FAIL() << "no game window; " << WaitForProgram(pid, folder_.path(), std::chrono::seconds(1)).err;
  ASSERT_EQ(std::system(("xdotool windowsize --sync " + id + " 1400 1000").c_str()), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const RgbImage image = Shoot(id, "window.ppm");
  ASSERT_EQ(image.width, 1400);
  ASSERT_EQ(image.height, 1000);
  // Twice 640 x 480 is 1280 x 960, centred: 60 black columns each side, 20 black rows above and below.
  const Rgb red{0xC0, 0x30, 0x20}, black{0, 0, 0};
  EXPECT_EQ(PixelAt(image, 59, 100), black);
  EXPECT_EQ(PixelAt(image, 60, 100), red);
  EXPECT_EQ(PixelAt(image, 1339, 100), red);
  EXPECT_EQ(PixelAt(image, 1340, 100), black);
  EXPECT_EQ(PixelAt(image, 700, 19), black);
  EXPECT_EQ(PixelAt(image, 700, 20), red);

  // The second option's row centre, (320, 305) on the screen, lies at (60 + 640, 20 + 610) in the window.
  EXPECT_EQ(std::system(("xdotool mousemove --window " + id + " 700 630 click 1").c_str()), 0);
  const RunResult result = WaitForProgram(pid, folder_.path(), std::chrono::seconds(30));
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string trace = ReadFile(folder_.path() / "trace.txt");
  EXPECT_NE(trace.find(" v2=2\n"), std::string::npos) << trace;
  const std::string settings = ReadFile(folder_.path() / "settings.ini");
  EXPECT_NE(settings.find("window-width=1400\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("window-height=1000\n"), std::string::npos) << settings;
}

TEST_F(WindowOnXvfb, SettingsDialogSetsTheVolumeAndLeavesTheFrame) {
  if (!fs::exists(kSoundfont)) GTEST_SKIP() << "no soundfont at " << kSoundfont;
  WriteFile(folder_.path() / "TUNE.MID", ChordThenRest());
  BuildGame("name music tune \"TUNE\"\ntext_wait 0\nmusic tune\nmessage \"音楽\"\nclick\nend\n",
            folder_.path() / "TUNE.ADV");
  if (HasFatalFailure()) return;
  const pid_t pid =
      StartProgram({CORVALLINE_EXE, "--window", "--depth", "32", "--drawing-mode", "0", "--config",
                    "settings.ini", "--soundfont", kSoundfont, "--audio-out", "music.wav", "TUNE.ADV"},
                   folder_.path());
  const std::string game = WaitForWindow("Corvalline");
  ASSERT_FALSE(game.empty()) << "no game window";
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  RgbImage before = Shoot(game, "before.ppm");
  ASSERT_EQ(std::system(("xdotool windowfocus --sync " + game + " key F1").c_str()), 0);
  const std::string dialog = WaitForWindow("設定");
  ASSERT_FALSE(dialog.empty()) << "F1 opened no settings dialog";
  // The volume slider's knob stands at its right end (100 %): pressing it takes the focus without moving
  // it, then five steps to the left make 50 %, and Enter is OK.
  ASSERT_EQ(std::system(("xdotool mousemove --sync --window " + dialog +
                         " 232 23 click 1 sleep 0.2 key Left Left Left Left Left sleep 0.2 key Return")
                            .c_str()),
            0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(Capture("xdotool search --onlyvisible --name '^設定$' 2>/dev/null").empty());
  // The same frame, the click marker (which blinks) left out: logical (560, 430) to (600, 470).
  RgbImage after = Shoot(game, "after.ppm");
  ASSERT_EQ(after.rgb.size(), before.rgb.size());
  for (RgbImage* image : {&after, &before}) {
    const int w = image->width, h = image->height;
    for (int y = h * 430 / 480; y < h * 470 / 480; ++y) {
      std::fill(&image->rgb[(static_cast<size_t>(y) * w + w * 560 / 640) * 3],
                &image->rgb[(static_cast<size_t>(y) * w + w * 600 / 640) * 3], 0);
    }
  }
  EXPECT_TRUE(after == before) << "the frame changed under the dialog";
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));  // the piece comes round again
  EXPECT_EQ(std::system(("xdotool mousemove --window " + game + " 320 240 click 1").c_str()), 0);
  const RunResult result = WaitForProgram(pid, folder_.path(), std::chrono::seconds(30));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(ReadFile(folder_.path() / "settings.ini").find("volume=50\n"), std::string::npos);

  Wav wav;
  ASSERT_TRUE(ReadWav(folder_.path() / "music.wav", wav));
  double first = OnsetAfter(wav, 0), last = first;
  for (double next = OnsetAfter(wav, last + 500); next > 0; next = OnsetAfter(wav, last + 500)) last = next;
  ASSERT_GE(first, 0);
  ASSERT_GT(last, first) << "the piece never came round again";
  const double full = Rms(wav, first + 100, 200), half = Rms(wav, last + 100, 200);
  ASSERT_GT(full, 0.01);
  EXPECT_NEAR(half / full, 0.5, 0.05) << full << " then " << half;
}

}  // namespace
}  // namespace corv::e2e
