// The options dialog's logic, driven through a recording view: which controls it enables, selects and
// focuses, what it writes into the settings and how it ends.
#include "shell/options_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace corv {
namespace {

constexpr int kFrameClose = -1;

// Records every call as text and plays the player's part: each DeliverEvents hands over one queued click
// (or a frame close).
class RecordingView final : public DialogView {
 public:
  RecordingView(DialogEvents& events, std::vector<std::string>& calls, std::deque<int>& player)
      : events_(events), calls_(calls), player_(player) {}
  void Show() override { calls_.push_back("show"); }
  void SetEnabled(int id, bool enabled) override {
    calls_.push_back((enabled ? "enable " : "disable ") + std::to_string(id));
  }
  void Select(int id) override { calls_.push_back("select " + std::to_string(id)); }
  void Focus(int id) override { calls_.push_back("focus " + std::to_string(id)); }
  void Close() override { calls_.push_back("close"); }
  void DeliverEvents() override {
    if (player_.empty()) throw std::runtime_error("the dialog waits for a player who has nothing left to do");
    const int action = player_.front();
    player_.pop_front();
    if (action == kFrameClose) {
      events_.FrameClosed();
    } else {
      events_.Clicked(action);
    }
  }

 private:
  DialogEvents& events_;
  std::vector<std::string>& calls_;
  std::deque<int>& player_;
};

struct Harness {
  Settings settings;
  std::vector<std::string> calls;
  std::deque<int> player;
  GOption dialog{settings, [this](const DialogLayout&, DialogEvents& events) {
                   return std::make_unique<RecordingView>(events, calls, player);
                 }};

  bool Called(const std::string& call) const {
    for (const std::string& c : calls) {
      if (c == call) return true;
    }
    return false;
  }
  int Index(const std::string& call) const {
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i] == call) return static_cast<int>(i);
    }
    return -1;
  }
};

const std::string kFocusOk = "focus " + std::to_string(kCommand1_Ok);

// Display set-up as it runs: show, offer the depths found in the driver's order, enable OK, wait.
struct DialogRun {
  const char* name;
  std::vector<int> offered;  // depth button indices, in the driver's order
  std::deque<int> player;
  bool expect_ok;
  int expect_depth;
  int expect_mode;
};

TEST(OptionsDialog, RunsFromShowToClose) {
  const std::vector<DialogRun> runs = {
      {"ok at once keeps the last depth offered", {0, 2}, {kCommand1_Ok}, true, 32, 1},
      {"last offered wins even when shallower", {2, 0}, {kCommand1_Ok}, true, 16, 1},
      {"same depth reported twice", {1, 2, 1}, {kCommand1_Ok}, true, 24, 1},
      {"only 16 bits", {0}, {kCommand1_Ok}, true, 16, 1},
      {"player picks 16 and fine", {0, 2}, {kOption1_16Bit, kOption4, kCommand1_Ok}, true, 16, 2},
      {"player picks coarse", {1}, {kOption2, kCommand1_Ok}, true, 24, 0},
      {"coarse then normal again", {2}, {kOption2, kOption3, kCommand1_Ok}, true, 32, 1},
      {"cancel ends", {0, 2}, {kOption4, kCommand1_Cancel}, false, 32, 2},
      {"frame close ends", {2}, {kFrameClose}, false, 32, 1},
      {"clicks on the frame itself do nothing", {2}, {kFrame1, kCommand1_Ok}, true, 32, 1},
  };
  for (const DialogRun& run : runs) {
    SCOPED_TRACE(run.name);
    Harness h;
    h.settings.DrawingMode = 2;  // what an earlier choice would have left; the dialog starts afresh
    h.dialog.Show();
    EXPECT_EQ(h.settings.DrawingMode, 1);
    for (int index : run.offered) h.dialog.OfferDepth(index);
    h.dialog.EnableOk();
    h.player = run.player;
    EXPECT_EQ(h.dialog.WaitUntilClosed(), run.expect_ok);
    EXPECT_TRUE(h.player.empty()) << "the dialog stopped waiting before the player was done";
    EXPECT_EQ(h.settings.ColourDepth, run.expect_depth);
    EXPECT_EQ(h.settings.DrawingMode, run.expect_mode);
    EXPECT_EQ(h.dialog.EndRequested(), !run.expect_ok);
    EXPECT_TRUE(h.Called("close"));
  }
}

// The last run's choice is selected where the display offers it; the player still decides.
TEST(OptionsDialog, SelectsTheRememberedChoice) {
  struct Case {
    const char* name;
    int depth, mode;  // remembered
    std::vector<int> offered;
    std::deque<int> player;
    int expect_depth, expect_mode;
  };
  const Case cases[] = {
      {"both remembered", 24, 2, {0, 1, 2}, {kCommand1_Ok}, 24, 2},
      {"remembered depth not offered", 24, 0, {0, 2}, {kCommand1_Ok}, 32, 0},
      {"nothing remembered", 0, -1, {2, 0}, {kCommand1_Ok}, 16, 1},
      {"the player changes both", 16, 2, {0, 2}, {kOption1_32Bit, kOption3, kCommand1_Ok}, 32, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    Preferences remembered;
    remembered.depth = c.depth;
    remembered.drawing_mode = c.mode;
    GOption dialog(
        h.settings,
        [&h](const DialogLayout&, DialogEvents& events) {
          return std::make_unique<RecordingView>(events, h.calls, h.player);
        },
        remembered);
    dialog.Show();
    for (int index : c.offered) dialog.OfferDepth(index);
    dialog.EnableOk();
    h.player = c.player;
    EXPECT_TRUE(dialog.WaitUntilClosed());
    EXPECT_EQ(h.settings.ColourDepth, c.expect_depth);
    EXPECT_EQ(h.settings.DrawingMode, c.expect_mode);
    // What the player saw selected before acting: the last selection in each group.
    std::string depth_shown, mode_shown;
    for (const std::string& call : h.calls) {
      if (call == "select 0" || call == "select 1" || call == "select 2") depth_shown = call;
      if (call == "select 4" || call == "select 5" || call == "select 6") mode_shown = call;
    }
    if (c.player.size() == 1) {
      EXPECT_EQ(depth_shown, "select " + std::to_string((c.expect_depth - 16) / 8));
      if (c.mode >= 0) {
        EXPECT_EQ(mode_shown, "select " + std::to_string(kOption2 + c.mode));
      }
    }
  }
}

TEST(OptionsDialog, EnablesAndSelectsOnlyTheOfferedDepths) {
  Harness h;
  h.dialog.Show();
  h.dialog.OfferDepth(0);
  h.dialog.OfferDepth(2);
  EXPECT_TRUE(h.Called("enable 0"));
  EXPECT_FALSE(h.Called("enable 1"));
  EXPECT_TRUE(h.Called("enable 2"));
  // The last one listed is selected after the first: its selection is the one that stays.
  EXPECT_LT(h.Index("select 0"), h.Index("select 2"));
  EXPECT_EQ(h.settings.ColourDepth, 32);
  EXPECT_FALSE(h.Called("enable " + std::to_string(kCommand1_Ok)));
  // Indices outside the three buttons are ignored.
  h.dialog.OfferDepth(3);
  h.dialog.OfferDepth(-1);
  EXPECT_EQ(h.settings.ColourDepth, 32);
  EXPECT_FALSE(h.Called("enable 3"));
}

TEST(OptionsDialog, DepthButtonsSetTheColourDepth) {
  const int expected[] = {16, 24, 32};
  for (int i = 0; i < 3; ++i) {
    Harness h;
    h.dialog.Option1_Click(i);
    EXPECT_EQ(h.settings.ColourDepth, expected[i]);
    h.dialog.Clicked(kOption1_16Bit + i);
    EXPECT_EQ(h.settings.ColourDepth, expected[i]);
  }
}

TEST(OptionsDialog, FocusMovesToOkOnlyOnceOkIsEnabled) {
  {
    SCOPED_TRACE("activated before OK is enabled");
    Harness h;
    h.dialog.Show();
    h.dialog.Form_Activate();
    EXPECT_FALSE(h.Called(kFocusOk));
    h.dialog.OfferDepth(2);
    h.dialog.EnableOk();
    EXPECT_GT(h.Index(kFocusOk), h.Index("enable " + std::to_string(kCommand1_Ok)));
  }
  {
    SCOPED_TRACE("OK enabled before the wait activates the dialog");
    Harness h;
    h.dialog.Show();
    h.dialog.OfferDepth(2);
    h.dialog.EnableOk();
    EXPECT_FALSE(h.Called(kFocusOk));
    h.player = {kCommand1_Ok};
    EXPECT_TRUE(h.dialog.WaitUntilClosed());
    EXPECT_GT(h.Index(kFocusOk), h.Index("enable " + std::to_string(kCommand1_Ok)));
    EXPECT_LT(h.Index(kFocusOk), h.Index("close"));
  }
  {
    SCOPED_TRACE("no depth offered: OK never takes the focus");
    Harness h;
    h.dialog.Show();
    h.dialog.Form_Activate();
    h.dialog.Dismiss();
    EXPECT_FALSE(h.Called(kFocusOk));
    EXPECT_TRUE(h.Called("close"));
  }
}

// Cancel and a closed frame both end the program; only unloading by a button (Cancel) marks the dialog
// closed.
TEST(OptionsDialog, CancelAndFrameCloseEndTheProgram) {
  struct Case {
    const char* what;
    void (*end)(GOption&);
    bool marked_closed;
  };
  const Case cases[] = {
      {"Cancel", [](GOption& d) { d.Command1_Click(1); }, true},
      {"frame closed", [](GOption& d) { d.FrameClosed(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Harness h;
    h.dialog.Show();
    h.dialog.OfferDepth(2);
    h.dialog.EnableOk();
    c.end(h.dialog);
    EXPECT_EQ(h.dialog.OptionsClosed(), c.marked_closed);
    EXPECT_TRUE(h.dialog.EndRequested());
    EXPECT_FALSE(h.dialog.WaitUntilClosed());
  }
}

TEST(OptionsDialog, OkClosesOnceAndLaterEventsAreIgnored) {
  Harness h;
  h.dialog.Show();
  h.dialog.OfferDepth(1);
  h.dialog.EnableOk();
  h.dialog.Clicked(kCommand1_Ok);
  EXPECT_TRUE(h.dialog.OptionsClosed());
  // Nothing reaches a dialog that is gone: no second close, no end of the program, no setting change.
  h.dialog.FrameClosed();
  h.dialog.Clicked(kCommand1_Cancel);
  h.dialog.Clicked(kOption1_16Bit);
  EXPECT_FALSE(h.dialog.EndRequested());
  EXPECT_EQ(h.settings.ColourDepth, 24);
  EXPECT_EQ(std::count(h.calls.begin(), h.calls.end(), "close"), 1);
  EXPECT_TRUE(h.dialog.WaitUntilClosed());
}

TEST(OptionsDialog, LayoutMatchesTheDialogTable) {
  const DialogLayout& layout = OptionsLayout();
  EXPECT_EQ(layout.caption, "オプション");
  EXPECT_EQ(layout.width, 242);
  EXPECT_EQ(layout.height, 104);
  struct Expected {
    int id;
    const char* caption;
    int x, y, w, h;
    uint32_t colour;
    bool enabled, selected;
  };
  const Expected table[] = {
      {kOption1_16Bit, "16Bitカラー", 0, 16, 121, 17, 0x0000FF, false, false},
      {kOption1_24Bit, "24Bitカラー", 0, 32, 121, 17, 0xFF8080, false, false},
      {kOption1_32Bit, "32Bitカラー(推奨)", 0, 48, 121, 17, 0xFF0000, false, false},
      {kFrame1, "描画方法", 128, 0, 113, 73, 0x000000, true, false},
      {kOption2, "粗い（高速）", 8, 16, 97, 17, 0x0000FF, true, false},
      {kOption3, "普通", 8, 32, 97, 17, 0xFF8080, true, true},
      {kOption4, "精細（低速）", 8, 48, 97, 17, 0xFF0000, true, false},
      {kCommand1_Ok, "ＯＫ", 16, 80, 97, 17, 0x000000, false, false},
      {kCommand1_Cancel, "Cancel", 128, 80, 97, 17, 0x000000, true, false},
  };
  ASSERT_EQ(layout.controls.size(), std::size(table));
  for (const Expected& e : table) {
    SCOPED_TRACE(e.caption);
    const DialogControl* found = nullptr;
    for (const DialogControl& c : layout.controls) {
      if (c.id == e.id) found = &c;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->caption, e.caption);
    EXPECT_EQ(found->x, e.x);
    EXPECT_EQ(found->y, e.y);
    EXPECT_EQ(found->width, e.w);
    EXPECT_EQ(found->height, e.h);
    EXPECT_EQ(found->text_colour, e.colour);
    EXPECT_EQ(found->enabled, e.enabled);
    EXPECT_EQ(found->selected, e.selected);
    const bool in_frame = e.id == kOption2 || e.id == kOption3 || e.id == kOption4;
    EXPECT_EQ(found->parent, in_frame ? kFrame1 : -1);
    const bool grey = e.id <= kOption1_32Bit;
    EXPECT_EQ(found->back_colour, grey ? std::optional<uint32_t>(0xC0C0C0) : std::nullopt);
  }
}

TEST(OptionsDialog, PresetDialogKeepsOnlyOfferedDepthsAndValidModes) {
  struct Case {
    const char* name;
    int depth, mode;
    std::vector<int> offered;
    int expect_depth, expect_mode;
  };
  const Case cases[] = {
      {"defaults keep the last offered", 0, -1, {0, 2}, 32, 1},
      {"requested depth offered", 16, 0, {0, 2}, 16, 0},
      {"requested depth not offered", 24, 2, {0, 2}, 32, 2},
      {"nonsense depth and mode", 64, 7, {1}, 24, 1},
      {"negative depth", -8, -1, {0}, 16, 1},
      {"out of range offers ignored", 0, -1, {2, 5, -1}, 32, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings settings;
    settings.DrawingMode = 0;
    auto dialog = MakePresetOptionsDialog(settings, c.depth, c.mode);
    dialog->Show();
    for (int index : c.offered) dialog->OfferDepth(index);
    dialog->EnableOk();
    EXPECT_TRUE(dialog->WaitUntilClosed());
    EXPECT_EQ(settings.ColourDepth, c.expect_depth);
    EXPECT_EQ(settings.DrawingMode, c.expect_mode);
  }
}

TEST(FileChooserFilter, PatternsMatchInAnyCase) {
  struct Case {
    std::string given, expected;
  };
  const Case cases[] = {
      {"ゲームファイル(*.ADV)\t*.ADV", "ゲームファイル\t*.[Aa][Dd][Vv]"},
      {[] {
         static const char kRecord[] = "ゲームファイル(*.ADV)\0*.ADV\0";  // as the Windows record holds it
         return std::string(kRecord, sizeof kRecord);
       }(),
       "ゲームファイル\t*.[Aa][Dd][Vv]"},
      {"Pictures\t*.BMP;*.mid", "Pictures\t{*.[Bb][Mm][Pp],*.[Mm][Ii][Dd]}"},
      {"Classes kept\t*.[ab]x", "Classes kept\t*.[ab][Xx]"},
      {"Everything\t", "Everything\t*"},
      {"*.adv", "*.adv\t*.[Aa][Dd][Vv]"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooserFilter(c.given), c.expected) << c.given;
}

TEST(HeadlessDialogs, MessageGoesToStderrAndTheChooserIsCancelled) {
  auto dialogs = MakeHeadlessDialogs();
  testing::internal::CaptureStderr();
  dialogs->MessageBox("このファイルは実行できません。", "警告", MessageIcon::kStop);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "警告: このファイルは実行できません。\n");
  EXPECT_EQ(dialogs->OpenFile("ゲームファイルを開く", "ゲームファイル(*.ADV)\t*.ADV"), std::nullopt);
}

}  // namespace
}  // namespace corv
