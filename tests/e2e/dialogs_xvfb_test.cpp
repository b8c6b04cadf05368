// The FLTK options dialog, message boxes and file chooser on a virtual X server: xdotool plays the
// player, xwd and ImageMagick take the screenshots whose pixels are checked here.
//
// Set CORV_SCREENSHOT_DIR to keep PNG copies of the screenshots.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/dialogs.h"
#include "shell/options_dialog.h"
#include "shell/startup.h"

namespace corv {
namespace {

namespace fs = std::filesystem;
using e2e::CountNear;
using e2e::HaveProgram;
using e2e::PixelAt;
using e2e::ReadShot;
using e2e::Rgb;
using test::RgbImage;

// One X server for the whole test program: FLTK keeps its display connection for the life of the process.
struct SharedServer {
  SharedServer() {
    // CORV_TEST_DISPLAY names a server to use instead, for watching the tests run.
    if (const char* given = std::getenv("CORV_TEST_DISPLAY")) {
      display = given;
    } else if (server.Start("800x600")) {
      display = server.display();
    }
    if (display.empty()) return;
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
  }
  bool ok() const { return !display.empty(); }

  e2e::XvfbServer server;
  std::string display;
};

SharedServer& SharedXServer() {
  static SharedServer shared;
  return shared;
}

// Runs a shell script beside the test, in its folder: it waits for a window, takes a screenshot and plays
// the player. If it cannot do its part it ends the X server, so that the dialog under test fails instead
// of waiting for ever.
class ScriptedPlayer {
 public:
  ScriptedPlayer(const fs::path& folder, const std::string& script) : folder_(folder) {
    const pid_t server = SharedXServer().server.pid();
    const std::string end_server = server > 0 ? "kill " + std::to_string(server) + "; " : "";
    const std::string guarded = "export LC_ALL=C.UTF-8; ( " + script +
                                " ) || { echo 'player script failed' >&2; " + end_server + "exit 1; }";
    pid_ = e2e::StartProgram({"/bin/sh", "-c", guarded}, folder);
  }
  // The script's exit status; what it said on stderr goes to the test's output when it failed.
  int Finish() {
    const e2e::RunResult result = e2e::WaitForProgram(pid_, folder_, std::chrono::seconds(120));
    if (result.status != 0) std::cerr << result.err;
    return result.status;
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
};

void KeepScreenshot(const fs::path& ppm, const std::string& name) {
  const char* dir = std::getenv("CORV_SCREENSHOT_DIR");
  if (dir == nullptr) return;
  const std::string command = "convert '" + ppm.string() + "' '" + (fs::path(dir) / name).string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

class DialogsOnXvfb : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(HaveProgram("xdotool") && HaveProgram("xwd") && HaveProgram("convert"))
        << "xdotool, xwd and ImageMagick are needed";
    ASSERT_TRUE(SharedXServer().ok()) << "Xvfb did not start";
    dir_ = folder_.path();
  }

  // Finds the window by its title, waits for it to be drawn and saves it as shot.ppm.
  std::string FindAndShoot(const std::string& title) const {
    return "id=$(timeout 20 xdotool search --sync --onlyvisible --name '^" + title +
           "$' | head -n 1) && [ -n \"$id\" ] && sleep 0.5 && xwd -silent -id \"$id\" | convert xwd:- -depth "
           "8 ppm:'" +
           (dir_ / "shot.ppm").string() + "' && xdotool windowfocus --sync \"$id\"";
  }

  e2e::ScratchFolder folder_;
  fs::path dir_;
};

// A left click at (x, y) in the window found by FindAndShoot.
std::string ClickAt(int x, int y) {
  return "xdotool mousemove --window \"$id\" " + std::to_string(x) + " " + std::to_string(y) +
         " && sleep 0.1 && xdotool click 1 && sleep 0.2";
}

// Display set-up's side of the dialog: show, offer depths, enable OK, wait.
bool RunOptionsDialog(Settings& settings, const std::vector<int>& offered,
                      const Preferences& remembered = {}) {
  auto dialog = MakeFltkOptionsDialog(settings, remembered);
  dialog->Show();
  for (int index : offered) dialog->OfferDepth(index);
  dialog->EnableOk();
  return dialog->WaitUntilClosed();
}

TEST_F(DialogsOnXvfb, OptionsDialogShowsTheTableAndEnterConfirms) {
  ScriptedPlayer player(dir_, FindAndShoot("オプション") + " && xdotool key Return");
  Settings settings;
  settings.DrawingMode = 0;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 32);
  EXPECT_EQ(settings.DrawingMode, 1);

  const RgbImage shot = ReadShot(dir_ / "shot.ppm");
  ASSERT_EQ(shot.width, 242);
  ASSERT_EQ(shot.height, 104);
  KeepScreenshot(dir_ / "shot.ppm", "options_dialog.png");
  // Caption colours are 0xBBGGRR in the table: 0x0000FF red, 0xFF8080 light blue, 0xFF0000 blue.
  struct Caption {
    const char* name;
    int x, y, w, h;
    int r, g, b;
  };
  const Caption captions[] = {
      {"16Bitカラー", 16, 16, 105, 17, 255, 0, 0},       {"24Bitカラー", 16, 32, 105, 17, 128, 128, 255},
      {"32Bitカラー(推奨)", 16, 48, 105, 17, 0, 0, 255}, {"粗い（高速）", 152, 16, 81, 17, 255, 0, 0},
      {"普通", 152, 32, 81, 17, 128, 128, 255},          {"精細（低速）", 152, 48, 81, 17, 0, 0, 255},
  };
  for (const Caption& c : captions) {
    EXPECT_GE(CountNear(shot, c.x, c.y, c.w, c.h, Rgb{c.r, c.g, c.b}, 40), 12) << c.name;
  }
  // No caption is drawn in another caption's colour: red and blue stay apart.
  EXPECT_EQ(CountNear(shot, 16, 48, 105, 17, Rgb{255, 0, 0}, 40), 0);
  EXPECT_EQ(CountNear(shot, 16, 16, 105, 17, Rgb{0, 0, 255}, 40), 0);
  // The depth group stands on grey 0xC0C0C0 right to its edge.
  for (int y : {17, 33, 49, 64}) {
    EXPECT_EQ(PixelAt(shot, 119, y), (Rgb{0xC0, 0xC0, 0xC0})) << "y " << y;
  }
}

TEST_F(DialogsOnXvfb, OptionsDialogFocusesOkSoSpaceConfirms) {
  ScriptedPlayer player(dir_, FindAndShoot("オプション") + " && xdotool key space");
  Settings settings;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 32);
  // Button 1 (24 bits) was not offered: its caption is greyed, not light blue.
  const RgbImage shot = ReadShot(dir_ / "shot.ppm");
  ASSERT_EQ(shot.width, 242);
  EXPECT_EQ(CountNear(shot, 16, 32, 105, 17, Rgb{128, 128, 255}, 30), 0);
  EXPECT_GE(CountNear(shot, 16, 48, 105, 17, Rgb{0, 0, 255}, 40), 12);
}

TEST_F(DialogsOnXvfb, OptionsDialogOpensAtTheRememberedChoice) {
  ScriptedPlayer player(dir_, FindAndShoot("オプション") + " && xdotool key Return");
  Settings settings;
  Preferences remembered;
  remembered.depth = 24;
  remembered.drawing_mode = 2;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}, remembered));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 24);
  EXPECT_EQ(settings.DrawingMode, 2);
}

TEST_F(DialogsOnXvfb, OptionsDialogTakesClicksOnItsControls) {
  // Centres of Option1(0), Option4 (inside the frame at 128, 0) and OK.
  ScriptedPlayer player(dir_, FindAndShoot("オプション") + " && " + ClickAt(8, 24) + " && " +
                                  ClickAt(144, 56) + " && " + ClickAt(64, 88));
  Settings settings;
  EXPECT_TRUE(RunOptionsDialog(settings, {0, 1, 2}));
  ASSERT_EQ(player.Finish(), 0);
  EXPECT_EQ(settings.ColourDepth, 16);
  EXPECT_EQ(settings.DrawingMode, 2);
}

TEST_F(DialogsOnXvfb, OptionsDialogCancelAndFrameCloseEndTheProgram) {
  struct Ending {
    const char* name;
    std::string action;
  };
  const Ending endings[] = {
      {"Cancel", " && " + ClickAt(176, 88)},
      {"Esc, as the window frame closes it", " && xdotool key Escape"},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    ScriptedPlayer player(dir_, FindAndShoot("オプション") + ending.action);
    Settings settings;
    EXPECT_FALSE(RunOptionsDialog(settings, {2}));
    EXPECT_EQ(player.Finish(), 0);
  }
}

// The dialogs' font has a glyph for every character of every label (none is drawn as an empty box), on
// this machine's fonts: the options dialog's table, and the message boxes' title, texts and OK.
TEST_F(DialogsOnXvfb, EveryLabelIsDrawnWithRealGlyphs) {
  std::vector<std::string> labels = {OptionsLayout().caption,
                                     kWarningTitle,
                                     kNotAGameMessage,
                                     kInitFailedMessage,
                                     "このコンピュータ上では実行できません。",
                                     "OK"};
  for (const DialogControl& control : OptionsLayout().controls) labels.push_back(control.caption);
  for (const std::string& label : labels) {
    const std::u32string missing = MissingDialogGlyphs(label);
    EXPECT_TRUE(missing.empty()) << label << ": " << missing.size() << " characters without a glyph";
  }
}

TEST_F(DialogsOnXvfb, MessageBoxShowsItsIconAndTextAndGoesToStderr) {
  struct Box {
    const char* text;
    MessageIcon icon;
    int r, g, b;  // the icon's colour
    const char* file;
  };
  const Box boxes[] = {
      {"このファイルは実行できません。", MessageIcon::kStop, 0xD0, 0x10, 0x10, "message_stop.png"},
      {"このコンピュータ上では実行できません。", MessageIcon::kInformation, 0x20, 0x50, 0xD0,
       "message_info.png"},
  };
  auto dialogs = MakeFltkDialogs();
  for (const Box& box : boxes) {
    SCOPED_TRACE(box.text);
    ScriptedPlayer player(dir_, FindAndShoot("警告") + " && xdotool key Return");
    testing::internal::CaptureStderr();
    dialogs->MessageBox(box.text, "警告", box.icon);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("警告: ") + box.text + "\n");
    ASSERT_EQ(player.Finish(), 0);
    const RgbImage shot = ReadShot(dir_ / "shot.ppm");
    ASSERT_GT(shot.width, 200);
    KeepScreenshot(dir_ / "shot.ppm", box.file);
    EXPECT_GE(CountNear(shot, 16, 16, 32, 32, Rgb{box.r, box.g, box.b}, 8), 300) << "icon";
    // The text is drawn in black to the right of the icon.
    EXPECT_GE(CountNear(shot, 64, 16, shot.width - 64, 32, Rgb{0, 0, 0}, 40), 40) << "text";
  }
}

// The open-file dialog starts in the folder it is given and says nothing on the terminal.
TEST_F(DialogsOnXvfb, FileChooserStartsInItsFolderAndPrintsNothing) {
  std::ofstream(dir_ / "GAME.ADV") << "CRVL";
  // The start folder's one game is listed under "../": a double click on it opens it.
  ScriptedPlayer player(dir_,
                        FindAndShoot("ゲームファイルを開く") +
                            " && xdotool mousemove --window \"$id\" 50 73 click --repeat 2 --delay 100 1");
  auto dialogs = MakeFltkDialogs();
  dialogs->SetStartFolder(dir_.string());
  testing::internal::CaptureStderr();
  const std::optional<std::string> chosen =
      dialogs->OpenFile("ゲームファイルを開く", "ゲームファイル(*.ADV)\t*.ADV");
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(player.Finish(), 0);
  ASSERT_TRUE(chosen.has_value());
  std::error_code ec;
  EXPECT_TRUE(fs::equivalent(*chosen, dir_ / "GAME.ADV", ec)) << *chosen;
  EXPECT_EQ(said, "");
}

}  // namespace
}  // namespace corv
