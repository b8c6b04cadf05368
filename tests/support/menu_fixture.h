// A whole player in-process for the system menu's tests: a strict fake display that delivers queued
// input one batch per yield and keeps every frame it is shown, a virtual clock, box glyphs and a
// recording sequencer.
#pragma once

#include <memory>

#include "core/player.h"
#include "fake_display.h"
#include "media_test_support.h"
#include "platform/clock.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "shell/display_init.h"

namespace corv::testing {

struct MenuRig {
  explicit MenuRig(int depth = 32, int drawing_mode = 1) : display(clock), glyphs(MakeBoxGlyphSource()) {
    display.strict = true;
    display.keep_frames = true;
    player.services.display = &display;
    player.services.clock = &clock;
    player.services.glyphs = glyphs.get();
    player.services.sequencer = &sequencer;
    player.settings.ColourDepth = depth;
    player.settings.DrawingMode = drawing_mode;
    CreateSurfaces(player);
  }
  VirtualClock clock;
  test::FakeDisplay display;
  std::unique_ptr<GlyphSource> glyphs;
  RecordingSequencer sequencer;
  Player player;
};

}  // namespace corv::testing
