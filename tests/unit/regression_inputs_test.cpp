// Every input that once crashed the player or its tools, or broke one of their promises, is kept under
// tests/data/regressions/KIND/ and replayed here through the same checks the fuzz target of that kind
// makes, so the sanitizer run of the tests catches a fault that comes back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "advc/advc.h"
#include "fake_display.h"
#include "platform/bitmap.h"
#include "platform/clock.h"
#include "platform/midi_file.h"
#include "platform/sequencer.h"
#include "scratch_folder.h"
#include "shell/display_init.h"
#include "test_game.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const fs::path& path) {
  const std::string s = test::ReadFile(path.string());
  return std::vector<uint8_t>(s.begin(), s.end());
}

// What each kind of input must do; a failed expectation (or a sanitizer report) is the regression.
void Replay(const std::string& kind, const std::vector<uint8_t>& input) {
  if (kind == "advc_build") {
    const advc::BuildResult built =
        advc::Build(std::string_view(reinterpret_cast<const char*>(input.data()), input.size()), "in.txt");
    if (built.ok && built.explicit_form) {
      // Explicit sources spell out any bytes, loadable or not; they must survive the disassembler.
      const advc::BuildResult again = advc::Build(advc::Disassemble(built.image), "dis.txt");
      ASSERT_TRUE(again.ok) << (again.errors.empty() ? "" : again.errors[0].ToString());
      EXPECT_EQ(again.image, built.image);
    } else if (built.ok) {
      test::TestPlayer t;
      EXPECT_TRUE(t.Load(built.image)) << "advc built a file the player refuses";
    } else {
      ASSERT_FALSE(built.errors.empty());
      for (const auto& e : built.errors) EXPECT_TRUE(e.line >= 1 && e.column >= 1) << e.ToString();
    }
  } else if (kind == "advc_roundtrip") {
    const advc::BuildResult rebuilt = advc::Build(advc::Disassemble(input), "dis.txt");
    ASSERT_TRUE(rebuilt.ok) << (rebuilt.errors.empty() ? "" : rebuilt.errors[0].ToString());
    EXPECT_EQ(rebuilt.image, input);
  } else if (kind == "game") {
    for (int depth : {16, 24, 32}) {
      test::TestPlayer t;
      // The game fuzz target's display and budget: 3000 yields or 40 frames.
      test::FakeDisplay display(t.clock);
      test::ClickEveryYield(display, 3000, 40);
      t.player.services.display = &display;
      t.player.settings.ColourDepth = depth;
      CreateSurfaces(t.player);
      if (!t.Load(input)) continue;
      t.Run();
      EXPECT_LE(display.polls, 3001) << "the run did not end when its window closed";
    }
  } else if (kind == "bitmap") {
    for (int depth : {16, 24, 32}) {
      const Result<Surface> s =
          LoadBitmap(std::string_view(reinterpret_cast<const char*>(input.data()), input.size()), depth);
      if (!s) continue;
      EXPECT_EQ(s->SizeBytes(), static_cast<size_t>(s->Pitch()) * s->Height());
    }
  } else if (kind == "midi") {
    const MidiSummary summary = ReadMidiSummary(input);
    EXPECT_GE(summary.length_ms, 0);
  } else if (kind == "midi_synth") {
    // Played as a game plays its music, half a second rendered: it must come back (no endless loop).
    test::ScratchFolder folder;
    const std::string path = folder.Write("IN.MID", std::string(input.begin(), input.end()));
    VirtualClock clock;
    auto sequencer = MakeFluidSynthSequencer({"", "/dev/null", true}, clock);
    sequencer->SendString("open \"" + path + "\" type sequencer alias sequencer");
    sequencer->SendString("play sequencer notify");
    clock.Advance(500);
    sequencer->SendString("seek sequencer to start");
    sequencer->SendString("close sequencer");
  } else {
    FAIL() << "no replay for inputs of kind " << kind;
  }
}

TEST(Regression, EveryKeptInputReplaysCleanly) {
  const fs::path root = fs::path(CORV_TEST_DATA) / "regressions";
  int replayed = 0;
  for (const auto& folder : fs::directory_iterator(root)) {
    if (!folder.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      SCOPED_TRACE(file.path().string());
      Replay(folder.path().filename().string(), Bytes(file.path()));
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace corv
