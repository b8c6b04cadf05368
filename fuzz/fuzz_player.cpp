#include "fuzz_player.h"

#include <sys/stat.h>

#include <map>

#include "scratch_folder.h"
#include "script/interpreter.h"
#include "seeds.h"
#include "shell/display_init.h"
#include "shell/player_keys.h"

namespace corv::fuzz {
namespace {

struct GameFolder {
  test::ScratchFolder folder{"corv-fuzz"};
  GameFolder() {
    ::mkdir((folder / "Sub").c_str(), 0700);
    for (const auto& [name, bytes] : SeedResources()) folder.Write(name, bytes);
  }
};

}  // namespace

const std::string& ResourceFolder() {
  static const GameFolder game;  // made once per process; its files are only ever read
  return game.folder.str();
}

HeadlessGame::HeadlessGame(int depth, int drawing_mode, int max_polls, int max_presents) {
  Budget(max_polls, max_presents);
  Reset(depth, drawing_mode, nullptr, 0);
}

void HeadlessGame::Budget(int max_polls, int max_presents) {
  test::ClickEveryYield(display, max_polls, max_presents);
}

void HeadlessGame::Reset(int depth, int drawing_mode, const uint8_t* data, size_t size) {
  player.services = Services{&display, &clock, &sequencer, glyphs.get(), dialogs.get()};
  InstallHooks(player);
  player.settings = Settings{depth, drawing_mode};
  player.location = GameLocation{ResourceFolder(), "FUZZ.ADV", ResourceFolder()};
  player.game.GameImage.assign(data, data + size);
  // A copy of a screen made once shares its pixels until the run writes to them: far cheaper than new
  // surfaces.
  static const auto fresh_screens = [] {
    std::map<int, Screen> screens;
    for (int d : {16, 24, 32}) {
      Player p;
      p.settings.ColourDepth = d;
      CreateSurfaces(p);
      screens[d] = p.screen;
    }
    return screens;
  }();
  player.screen = fresh_screens.at(depth);
}

void HeadlessGame::End() {
  *owned = Player();
  glyphs = MakeBoxGlyphSource();  // its cache holds every glyph the run drew
  clock = VirtualClock();
  display.polls = display.presents = 0;
  sequencer.commands.clear();
}

int HeadlessGame::Run() {
  try {
    RunScript(player);
  } catch (const ProgramExit& exit) {
    return exit.status;
  }
}

}  // namespace corv::fuzz
