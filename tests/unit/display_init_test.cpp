#include "shell/display_init.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace corv {
namespace {

// Records what display set-up asks of the options dialog.
class RecordingDialog final : public OptionsDialog {
 public:
  explicit RecordingDialog(Settings& settings, bool closes_with_ok = true)
      : settings_(settings), closes_with_ok_(closes_with_ok) {}
  void Show() override { log.push_back("show"); }
  void OfferDepth(int index) override {
    log.push_back("offer " + std::to_string(index));
    settings_.ColourDepth = index * 8 + 16;
  }
  void EnableOk() override { ok_enabled = true; }
  bool WaitUntilClosed() override {
    log.push_back("wait");
    return closes_with_ok_;
  }
  void Dismiss() override { log.push_back("dismiss"); }

  std::vector<std::string> log;
  bool ok_enabled = false;

 private:
  Settings& settings_;
  bool closes_with_ok_;
};

class RecordingDialogs final : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    boxes.push_back({text, title, icon});
  }
  std::optional<std::string> OpenFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  struct Box {
    std::string text, title;
    MessageIcon icon;
  };
  std::vector<Box> boxes;
};

struct Fixture {
  explicit Fixture(std::vector<DisplayMode> modes)
      : display(MakeHeadlessDisplay(clock, DisplayOptions{WindowMode::kWindow, modes})) {
    player.services.display = display.get();
    player.services.clock = &clock;
    player.services.dialogs = &dialogs;
    player.services.glyphs = glyphs.get();
  }
  VirtualClock clock;
  std::unique_ptr<Display> display;
  std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  RecordingDialogs dialogs;
  Player player;
};

TEST(OpenScreen, OffersEveryUsableDepthAndPreselectsTheLastListed) {
  struct Case {
    const char* name;
    std::vector<DisplayMode> modes;
    std::vector<std::string> log;
    int depth;
  };
  const Case cases[] = {
      {"16 and 32", {{640, 480, 16}, {640, 480, 32}}, {"show", "offer 0", "offer 2", "wait"}, 32},
      {"32 listed before 16", {{640, 480, 32}, {640, 480, 16}}, {"show", "offer 2", "offer 0", "wait"}, 16},
      {"other sizes ignored",
       {{800, 600, 32}, {640, 480, 24}, {640, 400, 32}, {1024, 768, 16}},
       {"show", "offer 1", "wait"},
       24},
      {"same depth at several refresh rates",
       {{640, 480, 16}, {640, 480, 32}, {640, 480, 16}},
       {"show", "offer 0", "offer 2", "offer 0", "wait"},
       16},
      {"8 and 15 bits are not offered",
       {{640, 480, 8}, {640, 480, 15}, {640, 480, 32}},
       {"show", "offer 2", "wait"},
       32},
  };
  for (const Case& c : cases) {
    Fixture f(c.modes);
    RecordingDialog dialog(f.player.settings);
    std::string error;
    ASSERT_TRUE(OpenScreen(f.player, dialog, &error)) << c.name << ": " << error;
    EXPECT_EQ(dialog.log, c.log) << c.name;
    EXPECT_TRUE(dialog.ok_enabled) << c.name;
    EXPECT_EQ(f.player.settings.ColourDepth, c.depth) << c.name;
    EXPECT_EQ(f.player.screen.WorkSurface.Depth(), c.depth) << c.name;
    EXPECT_TRUE(f.dialogs.boxes.empty()) << c.name;
  }
}

TEST(OpenScreen, WithoutUsableModeSaysSoAndFails) {
  for (const std::vector<DisplayMode>& modes :
       {std::vector<DisplayMode>{{640, 480, 8}}, std::vector<DisplayMode>{{800, 600, 32}, {320, 240, 16}}}) {
    Fixture f(modes);
    RecordingDialog dialog(f.player.settings);
    std::string error;
    EXPECT_FALSE(OpenScreen(f.player, dialog, &error));
    ASSERT_EQ(f.dialogs.boxes.size(), 1u);
    EXPECT_EQ(f.dialogs.boxes[0].text, "このコンピュータ上では実行できません。");
    EXPECT_EQ(f.dialogs.boxes[0].title, "警告");
    EXPECT_EQ(f.dialogs.boxes[0].icon, MessageIcon::kInformation);
    EXPECT_FALSE(dialog.ok_enabled);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"show", "dismiss"}))
        << "no wait for a dialog that cannot be used";
    EXPECT_TRUE(f.player.screen.WorkSurface.Empty()) << "no surfaces without a mode";
  }
}

TEST(OpenScreen, CancelInTheDialogEndsTheProgram) {
  Fixture f({{640, 480, 32}});
  RecordingDialog dialog(f.player.settings, /*closes_with_ok=*/false);
  try {
    OpenScreen(f.player, dialog, nullptr);
    FAIL() << "the program went on";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
  EXPECT_TRUE(f.player.screen.PrimarySurface.Empty());
}

TEST(OpenScreen, CreatesEveryFrameSurfaceAndTheKeyedLayer) {
  // Pure blue in each format: 5:6:5 has it in the low five bits; 8:8:8 in the low byte.
  const struct {
    int depth;
    uint32_t key;
  } cases[] = {{16, 0x001F}, {24, 0x0000FF}, {32, 0x0000FF}};
  for (const auto& c : cases) {
    Fixture f({{640, 480, c.depth}});
    RecordingDialog dialog(f.player.settings);
    ASSERT_TRUE(InitDisplay(f.player, dialog, nullptr));
    Screen& s = f.player.screen;
    for (const Surface* surface : {&s.PrimarySurface, &s.BackBuffer, &s.WorkSurface, &s.MessageSaveSurface,
                                   &s.MenuSaveSurface, &s.PictureSurfaces[5]}) {
      EXPECT_EQ(surface->Width(), 640);
      EXPECT_EQ(surface->Height(), 480);
      EXPECT_EQ(surface->Depth(), c.depth);
    }
    EXPECT_EQ(s.PictureRects[5], (Rect{0, 0, 640, 480}));
    const Surface& layer = s.PictureSurfaces[5];
    ASSERT_TRUE(layer.colour_key.has_value());
    EXPECT_EQ(*layer.colour_key, c.key) << "depth " << c.depth;
    // The whole layer is the key, corners included, so an empty layer copies nothing.
    for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {320, 240}}) {
      EXPECT_EQ(layer.ReadPixel(x, y), c.key) << x << "," << y << " depth " << c.depth;
    }
    EXPECT_EQ(s.TextFont, (FontSpec{12.0, false, false}));
    EXPECT_EQ(s.BackBuffer.font, s.TextFont);
    for (int slot : {1, 2, 3, 4, 6, 7, 8}) EXPECT_TRUE(s.PictureSurfaces[slot].Empty()) << slot;
  }
}

TEST(InitDisplay, FailsWithoutAFont) {
  Fixture f({{640, 480, 32}});
  f.player.services.glyphs = nullptr;
  RecordingDialog dialog(f.player.settings);
  std::string error;
  EXPECT_FALSE(InitDisplay(f.player, dialog, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corv
