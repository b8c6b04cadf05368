#include "shell/command_line.h"

namespace corv {
namespace {

// Options that take a value, given as "--name VALUE" or "--name=VALUE".
bool TakesValue(const std::string& name) {
  return name == "--depth" || name == "--drawing-mode" || name == "--events" || name == "--trace" ||
         name == "--audio-out" || name == "--soundfont" || name == "--save-dir";
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
    } else if (arg == "--fullscreen") {
      out.window_mode = WindowMode::kFullscreen;
    } else if (arg == "--headless") {
      out.headless = true;
    } else if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--version") {
      out.version = true;
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  return true;
}

std::string HelpText() {
  return "Usage: corvalline [OPTION]... [GAME.ADV]\n"
         "Plays an adventure game file. Without GAME.ADV it plays the .ADV file named after the program\n"
         "beside it, or asks for one.\n"
         "\n"
         "Display:\n"
         "  --depth 16|24|32        colour depth, without asking (default: ask; 32 when headless)\n"
         "  --drawing-mode MODE     0 coarse, 1 normal or 2 fine, without asking (default: ask; normal)\n"
         "  --window                play in a window\n"
         "  --fullscreen            play on the whole screen (the default)\n"
         "  --headless              no window and no sound device; time passes only as the game runs\n"
         "\n"
         "Sound:\n"
         "  --soundfont FILE        the SoundFont that plays the music\n"
         "  --audio-out FILE.wav    also write the music into a WAV file\n"
         "\n"
         "Saved games:\n"
         "  --save-dir DIR          look for slot files in DIR instead of the game's folder\n"
         "\n"
         "For authors and tests:\n"
         "  --events FILE           deliver the mouse and key input written in FILE\n"
         "  --trace FILE            write '<position> <opcode>' for every instruction executed, and\n"
         "                          'end' when the game ends\n"
         "\n"
         "  --help                  show this help and exit\n"
         "  --version               show the version and exit\n"
         "\n"
         "Exit status: 0 when the game ends, 1 when the file is not a game or cannot be loaded or the\n"
         "display cannot be opened, 2 for a mistake on the command line.\n";
}

std::string VersionText() {
  return std::string("corvalline ") + CORV_VERSION + "\n";
}

}  // namespace corv
