#include "shell/command_line.h"

#include "version.h"

namespace corv {
namespace {

// Options that take a value, given as "--name VALUE" or "--name=VALUE".
bool TakesValue(const std::string& name) {
  return name == "--depth" || name == "--drawing-mode" || name == "--events" || name == "--trace" ||
         name == "--audio-out" || name == "--soundfont" || name == "--save-dir" || name == "--text-out" ||
         name == "--config";
}

bool ParseDepth(const std::string& value, int& depth) {
  if (value == "16" || value == "24" || value == "32") {
    depth = std::stoi(value);
    return true;
  }
  return false;
}

bool ParseDrawingMode(const std::string& value, int& mode) {
  const char* const names[] = {"coarse", "normal", "fine"};
  for (int i = 0; i < 3; ++i) {
    if (value == std::to_string(i) || value == names[i]) {
      mode = i;
      return true;
    }
  }
  return false;
}

bool ApplyValue(const std::string& name, const std::string& value, CommandLine& out, std::string* error) {
  if (value.empty()) {
    *error = "option " + name + " needs a value";
    return false;
  }
  if (name == "--depth") {
    if (ParseDepth(value, out.depth)) return true;
    *error = "--depth must be 16, 24 or 32, not '" + value + "'";
    return false;
  }
  if (name == "--drawing-mode") {
    if (ParseDrawingMode(value, out.drawing_mode)) return true;
    *error = "--drawing-mode must be 0, 1, 2, coarse, normal or fine, not '" + value + "'";
    return false;
  }
  if (name == "--events") out.events_path = value;
  if (name == "--trace") out.trace_path = value;
  if (name == "--audio-out") out.audio_out_path = value;
  if (name == "--soundfont") out.soundfont_path = value;
  if (name == "--save-dir") out.save_dir = value;
  if (name == "--text-out") out.text_out_path = value;
  if (name == "--config") out.config_path = value;
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      if (out.game_path) {
        *error = "only one game file can be played at a time ('" + *out.game_path + "' and '" + arg + "')";
        return false;
      }
      out.game_path = arg;
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (TakesValue(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      }
      if (!ApplyValue(name, value, out, error)) return false;
      continue;
    }
    if (equals != std::string::npos) {
      *error = "option " + name + " takes no value";
      return false;
    }
    if (arg == "--window") {
      out.window_mode = WindowMode::kWindow;
      out.window_mode_given = true;
    } else if (arg == "--fullscreen") {
      out.window_mode = WindowMode::kFullscreen;
      out.window_mode_given = true;
    } else if (arg == "--headless") {
      out.headless = true;
    } else if (arg == "--no-config") {
      out.no_config = true;
    } else if (arg == "--demo") {
      out.demo = true;
    } else if (arg == "--strict") {
      out.strict = true;
    } else if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--version") {
      out.version = true;
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (out.no_config && !out.config_path.empty()) {
    *error = "--config and --no-config cannot be given together";
    return false;
  }
  if (out.demo && out.game_path) {
    *error = "--demo plays the demo game; it cannot be given with a game file ('" + *out.game_path + "')";
    return false;
  }
  return true;
}

std::string HelpText() {
  return "Usage: corvalline [OPTION]... [GAME.ADV]\n"
         "       corvalline --demo [OPTION]...\n"
         "Plays a Japanese adventure game: a .ADV file, with its .BMP pictures and .MID\n"
         "music beside it. Without GAME.ADV it plays the .ADV file named after the program\n"
         "in the program's folder, or asks for a game file.\n"
         "\n"
         "Game:\n"
         "  --demo                play the demo game that comes with Corvalline\n"
         "  --save-dir DIR        keep saved games in DIR (default: beside the game, or in\n"
         "                        ~/.local/share/corvalline/GAME/ when that is read-only)\n"
         "  --strict              the original controls: only the mouse buttons and Esc\n"
         "  --text-out FILE       write every message and picked option to FILE ('-' for\n"
         "                        standard output) as JSON lines, for dictionary tools\n"
         "  --config FILE         keep the settings in FILE (default:\n"
         "                        ~/.config/corvalline/settings.ini; headless runs read\n"
         "                        and write settings only when --config is given)\n"
         "  --no-config           read and write no settings file\n"
         "\n"
         "Screen:\n"
         "  --window              play in a window\n"
         "  --fullscreen          play on the whole screen (the default)\n"
         "  --depth 16|24|32      colour depth, chosen without the start-up options dialog\n"
         "  --drawing-mode MODE   coarse, normal or fine (or 0, 1, 2), without the dialog\n"
         "\n"
         "Sound:\n"
         "  --soundfont FILE.sf2  the General MIDI SoundFont for the music (default:\n"
         "                        $CORVALLINE_SOUNDFONT, else Debian's default-GM.sf2)\n"
         "  --audio-out FILE.wav  also write the music into a WAV file\n"
         "\n"
         "Playing without a screen, for authors and tests:\n"
         "  --headless            no window, no sound device, and a clock that moves only\n"
         "                        as the game runs, so that every run is the same\n"
         "  --events FILE         deliver the clicks, keys, waits and screenshots in FILE\n"
         "  --trace FILE          write '<position> <opcode>' for every instruction run\n"
         "\n"
         "  -h, --help            show this help and exit\n"
         "      --version         show the version and exit\n"
         "\n"
         "While playing:\n"
         "  left click, Enter, Space, wheel down  go on; finish the text being typed\n"
         "  Up, Down, wheel, then Enter or Space  pick an option or a menu entry\n"
         "  right click                 the menu (save, load, information, exit)\n"
         "  Ctrl (held), Tab (on/off)   skip text read before, up to a choice\n"
         "  A                           auto mode (on/off): go on after a pause\n"
         "  wheel up, PageUp, B         the backlog of earlier messages; the wheel, the\n"
         "                              arrows and PageUp/PageDown scroll it; wheel down\n"
         "                              at its end, right click, Esc or B close it\n"
         "  Ctrl+C                      copy the message on screen\n"
         "  Esc                         quit\n"
         "  Alt+Enter                   switch between window and full screen\n"
         "With --strict only the mouse buttons and Esc act.\n"
         "\n"
         "Exit status: 0 when the game ends or is quit, 1 when the file is not a game or\n"
         "cannot be loaded or the display cannot be opened, 2 for a mistake on the\n"
         "command line.\n"
         "\n"
         "More in 'man corvalline'; writing games: 'man advc'.\n";
}

std::string VersionText() {
  return std::string("corvalline ") + CORV_VERSION +
         "\n"
         "Plays Japanese adventure-game files (.ADV) on Linux.\n";
}

}  // namespace corv
