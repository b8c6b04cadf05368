// The command line: every option the player knows, parsed into one plain struct.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/display.h"

namespace corv {

struct CommandLine {
  int depth = 0;          // --depth 16|24|32; 0 when not given
  int drawing_mode = -1;  // --drawing-mode 0|1|2 (coarse, normal, fine); -1 when not given
  WindowMode window_mode = WindowMode::kFullscreen;  // --window / --fullscreen
  bool window_mode_given = false;                    // either was given (else the settings decide)
  bool headless = false;                 // --headless: no window, no sound device, the virtual clock
  std::string events_path;               // --events FILE: scripted input
  std::string trace_path;                // --trace FILE: one line per executed instruction
  std::string audio_out_path;            // --audio-out FILE.wav: the music rendered into a file
  std::string soundfont_path;            // --soundfont FILE
  std::string save_dir;                  // --save-dir DIR: where slot files are looked up
  std::string text_out_path;             // --text-out FILE|-: messages and picked options as JSON lines
  bool strict = false;                   // --strict: only the mouse buttons and Esc act
  std::string config_path;               // --config FILE: the settings file to read and write
  bool no_config = false;                // --no-config: no settings file is read or written
  std::optional<std::string> game_path;  // GAME.ADV
  bool demo = false;                     // --demo: play the demo game that comes with the player
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with *error (one line, without the program name)
// when an option is unknown, lacks its value or has a value it cannot take, more than one game is named,
// or a game is named together with --demo.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string* error);

std::string HelpText();
std::string VersionText();

}  // namespace corv
