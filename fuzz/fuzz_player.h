// A whole player on headless services for the fuzz targets: a display that answers every yield with a
// click and ends the run once its budget of yields or frames is spent, box glyphs, a recording sequencer,
// and a game folder holding a few real pictures and pieces of music.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/player.h"
#include "fake_display.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"

namespace corv::fuzz {

// The folder every fuzzed game plays from: made once per process, holding pictures named BG, A and PAGE
// in three bitmap depths and music named THEME, as the seed scripts name them.
const std::string& ResourceFolder();

// One player reused from input to input. Reset gives the player as at start (a new one, or one put back
// by End) its services, settings and game image, and a screen whose pixels are shared with a fresh
// screen made once; End puts the player, the clock, the display's budget and the recorded music back as
// at start, so every run is independent of the ones before it and ends holding no more memory than it
// began with.
struct HeadlessGame {
  VirtualClock clock;
  test::FakeDisplay display{clock};
  RecordingSequencer sequencer;
  std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  std::unique_ptr<Dialogs> dialogs = MakeHeadlessDialogs();
  std::unique_ptr<Player> owned = std::make_unique<Player>();
  Player& player = *owned;

  // depth 16, 24 or 32; drawing mode 0 to 2.
  HeadlessGame(int depth, int drawing_mode, int max_polls = 3000, int max_presents = 40);
  // Readies the player (as at start: new or after End) for a game: the settings and the game image;
  // the tables are left for BuildTables to build.
  void Reset(int depth, int drawing_mode, const uint8_t* data, size_t size);

  // Gives the run a budget of yields and frames: past it the display reports the window closed.
  void Budget(int max_polls, int max_presents);

  // Runs the loaded script until it ends or the budget is spent; the exit status.
  int Run();

  // Frees what the run allocated (the game image, the tables, the pictures, the screen's own copies of
  // its pixels, the glyphs drawn, the recorded music) by putting everything back as at start. libFuzzer takes
  // a run that allocates more blocks than it frees for a possible leak and runs it again under the leak
  // checker, which costs more than the run itself.
  void End();
};

}  // namespace corv::fuzz
