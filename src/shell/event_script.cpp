#include "shell/event_script.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>

#include "core/events.h"
#include "core/shutdown.h"
#include "media/transfers.h"
#include "platform/png.h"

namespace corv {
namespace {

using Kind = EventScript::Command::Kind;

// The largest events file read: far more than any recorded session needs, and a bound on what a pipe
// that never ends can cost.
constexpr size_t kMaxEventsFileBytes = size_t{64} << 20;

// Every ASCII white-space character separates words, so a line of form feeds is as blank as a line of
// spaces.
constexpr const char* kBlanks = " \t\n\v\f\r";

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

template <typename T>
bool ParseNumber(const std::string& word, T& value) {
  const char* end = word.data() + word.size();
  const auto result = std::from_chars(word.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// No command takes more than a few words, so only the first kMaxWords of a line are split off: a line of
// millions of words costs no more than a line of one.
constexpr size_t kMaxWords = 16;

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (size_t start = text.find_first_not_of(kBlanks);
       start != std::string::npos && words.size() < kMaxWords;) {
    const size_t end = text.find_first_of(kBlanks, start);
    words.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? end : text.find_first_not_of(kBlanks, end);
  }
  return words;
}

// Reads an events file whole: a regular file or a pipe of at most kMaxEventsFileBytes. A folder or a
// device (/dev/zero never ends) is refused before anything is read.
std::optional<std::string> ReadEventsFile(const std::string& path, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    return std::nullopt;
  };
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return refuse(std::string("cannot read the events file: ") + std::strerror(errno));
  struct stat info {};
  if (::fstat(::fileno(file.get()), &info) != 0) return refuse("cannot read the events file");
  if (S_ISDIR(info.st_mode)) return refuse("is a folder, not an events file");
  if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode)) {
    return refuse("is neither a file nor a pipe, so it cannot be an events file");
  }
  std::string text;
  char buffer[65536];
  while (const size_t got = std::fread(buffer, 1, sizeof(buffer), file.get())) {
    if (text.size() + got > kMaxEventsFileBytes) return refuse("the events file is larger than 64 MiB");
    text.append(buffer, got);
  }
  if (std::ferror(file.get()))
    return refuse(std::string("cannot read the events file: ") + std::strerror(errno));
  return text;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The code of a key name: a named key, or one printable character (UTF-8).
int KeyCode(const std::string& name) {
  const std::string lower = Lower(name);
  if (name.size() > 1) {
    static const struct {
      const char* name;
      int code;
    } kNamed[] = {{"esc", 27},
                  {"escape", 27},
                  {"enter", 13},
                  {"return", 13},
                  {"space", 32},
                  {"tab", 9},
                  {"up", kKeyUp},
                  {"down", kKeyDown},
                  {"pageup", kKeyPageUp},
                  {"pagedown", kKeyPageDown},
                  {"ctrl+c", kKeyCopy}};
    for (const auto& named : kNamed) {
      if (lower == named.name) return named.code;
    }
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
    int x = 0, y = 0;
    if (!ParseNumber(words[1], x) || !ParseNumber(words[2], y)) {
      problem = "'" + verb + "' needs two whole numbers, X and Y";
      return false;
    }
    const int button = verb == "move" ? 0 : verb == "click" ? 1 : verb == "rclick" ? 2 : 4;
    command.input = {button == 0 ? InputEvent::Kind::kMouseMove : InputEvent::Kind::kMouseUp, 0, button,
                     1.0 * x, 1.0 * y};
    return true;
  }
  if (verb == "key") {
    if (!want_args(1)) return false;
    command.input = {InputEvent::Kind::kKeyPress, KeyCode(words[1])};
    if (command.input.key_code < 0) {
      problem = "unknown key '" + words[1] +
                "' (esc, enter, space, tab, up, down, pageup, pagedown, ctrl+c, f1 to f12 or one character)";
      return false;
    }
    return true;
  }
  if (verb == "keydown" || verb == "keyup") {
    if (!want_args(1)) return false;
    if (Lower(words[1]) != "ctrl") {
      problem = "'" + verb + "' takes only 'ctrl'";
      return false;
    }
    command.input = {verb == "keydown" ? InputEvent::Kind::kKeyPress : InputEvent::Kind::kKeyRelease,
                     kKeyCtrl};
    return true;
  }
  if (verb == "wheel") {
    if (!want_args(1)) return false;
    const std::string way = Lower(words[1]);
    if (way != "up" && way != "down") {
      problem = "'wheel' takes 'up' or 'down'";
      return false;
    }
    command.input = {InputEvent::Kind::kWheel, 0, way == "up" ? 1 : -1};
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
  const Surface& shown = ShownFrame(player);
  const Surface frame = shown.Empty() ? Surface(kScreenWidth, kScreenHeight, 32) : shown;
  if (const Status written = WritePngFile(command.path, frame); !written) {
    std::fprintf(stderr, "events line %d: %s\n", command.line, written.error().c_str());
    EndProgram(player, 1);
  }
}

}  // namespace

std::unique_ptr<EventScript> EventScript::Load(const std::string& path, std::string* error) {
  const std::optional<std::string> text = ReadEventsFile(path, error);
  if (!text) return nullptr;
  return Parse(*text, path, error);
}

std::unique_ptr<EventScript> EventScript::Parse(const std::string& text, const std::string& name,
                                                std::string* error) {
  auto script = std::make_unique<EventScript>();
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string content = Trim(line.substr(0, line.find('#')));  // '#' starts a comment
    if (content.empty()) continue;
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
    case Command::Kind::kInput:
      ++next_;  // consumed first: a handler may end the program, or wait for the player itself
      DispatchInput(player, c.input);
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
