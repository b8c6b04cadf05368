#include "shell/event_script.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/png.h"
#include "shell/main_window.h"
#include "shell/shutdown.h"

namespace corv {
namespace {

using Kind = EventScript::Command::Kind;

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

template <typename T>
bool ParseNumber(const std::string& word, T& value) {
  const char* end = word.data() + word.size();
  const auto result = std::from_chars(word.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The character code of a key name: esc, enter, space, f1 to f12, or one printable character (UTF-8).
int KeyCode(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() > 1) {
    if (lower == "esc" || lower == "escape") return 27;
    if (lower == "enter" || lower == "return") return 13;
    if (lower == "space") return 32;
    for (int n = 1; n <= 12; ++n) {
      if (lower == "f" + std::to_string(n)) return kKeyF1 + n - 1;
    }
  }
  const auto* p = reinterpret_cast<const unsigned char*>(name.data());
  const size_t n = name.size();
  if (n == 1) return p[0] > 32 && p[0] < 127 ? p[0] : -1;
  // One multi-byte character.
  const size_t expected = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 0;
  if (expected == 0 || expected != n) return -1;
  int code = p[0] & (0x7F >> expected);
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return -1;
    code = (code << 6) | (p[i] & 0x3F);
  }
  return code;
}

bool ParseLine(const std::string& text, EventScript::Command& command, std::string& problem) {
  const std::vector<std::string> words = Words(text);
  const std::string& verb = words[0];
  auto want_args = [&](size_t count) {
    if (words.size() == count + 1) return true;
    problem = "'" + verb + "' takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments");
    return false;
  };
  if (verb == "move" || verb == "click" || verb == "rclick" || verb == "mclick") {
    if (!want_args(2)) return false;
    if (!ParseNumber(words[1], command.x) || !ParseNumber(words[2], command.y)) {
      problem = "'" + verb + "' needs two whole numbers, X and Y";
      return false;
    }
    command.kind = verb == "move"     ? Kind::kMove
                   : verb == "click"  ? Kind::kClick
                   : verb == "rclick" ? Kind::kRightClick
                                      : Kind::kMiddleClick;
    return true;
  }
  if (verb == "key") {
    if (!want_args(1)) return false;
    command.kind = Kind::kKey;
    command.key_code = KeyCode(words[1]);
    if (command.key_code < 0) {
      problem = "unknown key '" + words[1] + "' (esc, enter, space, f1 to f12 or one character)";
      return false;
    }
    return true;
  }
  if (verb == "wait") {
    if (!want_args(1)) return false;
    command.kind = Kind::kWait;
    if (!ParseNumber(words[1], command.ms)) {
      problem = "'wait' needs a number of milliseconds";
      return false;
    }
    return true;
  }
  if (verb == "idle") {
    if (!want_args(0)) return false;
    command.kind = Kind::kIdle;
    return true;
  }
  if (verb == "shot") {
    command.kind = Kind::kShot;
    command.path = Trim(Trim(text).substr(4));  // the rest of the line: file names may hold blanks
    if (command.path.empty()) {
      problem = "'shot' needs a file name";
      return false;
    }
    return true;
  }
  problem = "unknown command '" + verb + "'";
  return false;
}

// Writes the frame now on screen; an empty screen (before the display opened) is written black.
void TakeShot(Player& player, const EventScript::Command& command) {
  const Surface& shown = player.screen.PrimarySurface;
  const RgbImage image =
      shown.Empty() ? FrameToRgb(Surface(kScreenWidth, kScreenHeight, 32)) : FrameToRgb(shown);
  std::string error;
  if (!WritePngFile(command.path, image, &error)) {
    std::fprintf(stderr, "events line %d: %s\n", command.line, error.c_str());
    EndProgram(player, 1);
  }
}

}  // namespace

std::unique_ptr<EventScript> EventScript::Load(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = path + ": cannot read the events file";
    return nullptr;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return Parse(text.str(), path, error);
}

std::unique_ptr<EventScript> EventScript::Parse(const std::string& text, const std::string& name,
                                                std::string* error) {
  auto script = std::make_unique<EventScript>();
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    // Comments take whole lines, so that '#' can still be a key or part of a file name.
    const std::string content = Trim(line);
    if (content.empty() || content[0] == '#') continue;
    Command command;
    command.line = number;
    std::string problem;
    if (!ParseLine(content, command, problem)) {
      if (error) *error = name + ":" + std::to_string(number) + ": " + problem;
      return nullptr;
    }
    script->commands_.push_back(std::move(command));
  }
  return script;
}

void EventScript::Deliver(Player& player) {
  // A `wait` or `idle` in progress holds back everything after it.
  if (wait_started_) {
    const uint32_t now = player.services.clock ? player.services.clock->TickCount() : wait_from_;
    if (TicksSince(now, wait_from_) < commands_[next_].ms) return;
    wait_started_ = false;
    ++next_;
    return;
  }
  if (waiting_for_idle_) {
    if (!waiting_for_player_) return;
    waiting_for_idle_ = false;
    if (next_ >= commands_.size()) Form_KeyPress(player, 27);  // the script is over: end as by Esc
    ++next_;                                                   // past the `idle` line
    return;
  }
  if (next_ >= commands_.size()) {
    // Used up: run on until the program next waits for the player.
    waiting_for_idle_ = true;
    waiting_for_player_ = false;
    return;
  }

  const Command& c = commands_[next_];
  switch (c.kind) {
    case Command::Kind::kMove:
      Form_MouseMove(player, 0, 0, c.x, c.y);
      break;
    case Command::Kind::kClick:
      Form_MouseMove(player, 0, 0, c.x, c.y);
      Form_MouseUp(player, 1, 0, c.x, c.y);
      break;
    case Command::Kind::kRightClick:
      Form_MouseMove(player, 0, 0, c.x, c.y);
      Form_MouseUp(player, 2, 0, c.x, c.y);
      break;
    case Command::Kind::kMiddleClick:
      Form_MouseMove(player, 0, 0, c.x, c.y);
      Form_MouseUp(player, 4, 0, c.x, c.y);
      break;
    case Command::Kind::kKey:
      ++next_;  // consumed first: Esc ends the program from inside the handler
      Form_KeyPress(player, c.key_code);
      return;
    case Command::Kind::kWait:
      wait_started_ = true;
      wait_from_ = player.services.clock ? player.services.clock->TickCount() : 0;
      Deliver(player);  // a wait of 0 ms is over at once
      return;
    case Command::Kind::kIdle:
      waiting_for_idle_ = true;
      waiting_for_player_ = false;
      return;
    case Command::Kind::kShot:
      TakeShot(player, c);
      break;
  }
  ++next_;
}

}  // namespace corv
