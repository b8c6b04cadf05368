// What the end-to-end tests share over the tests' support library (scratch folders, running programs,
// reading frames back, an X server of their own): the player and advc run with the tests' settings,
// games of a test's own played headless, measures of frames and sound.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "image.h"
#include "program.h"
#include "scratch_folder.h"
#include "xvfb.h"

namespace corv::e2e {

// Every program a test starts keeps its settings in the build tree, never in the settings of whoever runs
// the tests.
inline const bool kTestConfigHomeSet = [] {
  ::setenv("XDG_CONFIG_HOME", CORV_TEST_CONFIG_HOME, 1);
  return true;
}();

namespace fs = std::filesystem;

using test::HaveProgram;
using test::ReadFile;
using test::ReadImage;
using test::RgbImage;
using test::RunProgram;
using test::RunResult;
using test::ScratchFolder;
using test::StartProgram;
using test::WaitForProgram;
using test::WriteFile;
using test::XvfbServer;

// Whether this build runs under AddressSanitizer (its shadow memory makes every process far larger).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

inline std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The player, run in `folder` (where its shots land) with the arguments given.
inline RunResult RunPlayer(const std::vector<std::string>& args, const fs::path& folder,
                           std::chrono::seconds limit = std::chrono::seconds(240)) {
  std::vector<std::string> argv{CORVALLINE_EXE};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, folder, limit);
}

// Writes the source beside the game and compiles it with `advc build`; fails the test when advc does.
inline void BuildGame(const std::string& source, const fs::path& game) {
  const fs::path script = fs::path(game).replace_extension(".advs");
  WriteFile(script, source);
  const RunResult built =
      RunProgram({ADVC_EXE, "build", script.string(), "-o", game.string()}, game.parent_path());
  ASSERT_EQ(built.status, 0) << built.err;
}

// ---- Frames ----

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// A shot or screenshot (PNG or PPM); a file that cannot be read fails the test.
inline RgbImage ReadShot(const fs::path& path) {
  RgbImage image;
  EXPECT_TRUE(test::ReadImage(path, image)) << path << " is not a readable picture";
  return image;
}

inline Rgb PixelAt(const RgbImage& image, int x, int y) {
  const uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
  return Rgb{p[0], p[1], p[2]};
}

// Pixels of exactly `colour` inside the box [x, x + w) x [y, y + h).
inline int Count(const RgbImage& image, int x, int y, int w, int h, Rgb colour) {
  int n = 0;
  for (int yy = std::max(y, 0); yy < y + h && yy < image.height; ++yy) {
    for (int xx = std::max(x, 0); xx < x + w && xx < image.width; ++xx) n += PixelAt(image, xx, yy) == colour;
  }
  return n;
}

// Whether two colours differ by at most `tolerance` in every channel.
inline bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Pixels within `tolerance` of `colour` inside the box [x, x + w) x [y, y + h).
inline int CountNear(const RgbImage& image, int x, int y, int w, int h, Rgb colour, int tolerance) {
  int n = 0;
  for (int yy = std::max(y, 0); yy < y + h && yy < image.height; ++yy) {
    for (int xx = std::max(x, 0); xx < x + w && xx < image.width; ++xx) {
      n += Near(PixelAt(image, xx, yy), colour, tolerance);
    }
  }
  return n;
}

inline int CountWhite(const RgbImage& image, int x, int y, int w, int h) {
  return Count(image, x, y, w, h, Rgb{255, 255, 255});
}

// An 8-bit channel after a trip through `bits` bits: cut to the top bits, widened again by repeating them.
inline int Quantised(int value, int bits) {
  const int kept = value >> (8 - bits);
  return (kept << (8 - bits)) | (kept >> (2 * bits - 8));
}

// A colour as a frame of the depth shows it: 16-bit frames hold 5:6:5.
inline Rgb AtDepth(Rgb c, int depth) {
  if (depth != 16) return c;
  return Rgb{Quantised(c.r, 5), Quantised(c.g, 6), Quantised(c.b, 5)};
}

// ---- Sound ----

// The General MIDI soundfont Debian installs; music tests are skipped without it.
inline constexpr char kSoundfont[] = "/usr/share/sounds/sf2/default-GM.sf2";

// The 16-bit samples of a PCM WAV file as written by --audio-out, channels interleaved.
struct Wav {
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;
  size_t frames() const { return channels ? samples.size() / channels : 0; }
};

inline bool ReadWav(const fs::path& path, Wav& wav) {
  const std::string bytes = ReadFile(path);
  auto u16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8;
  };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const size_t size = u32(at + 4);
    const size_t body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
      if (u16(body) != 1 || u16(body + 14) != 16) return false;  // 16-bit PCM only
      wav.channels = static_cast<int>(u16(body + 2));
      wav.rate = static_cast<int>(u32(body + 4));
    } else if (id == "data") {
      const size_t n = std::min(size, bytes.size() - body) / 2;
      wav.samples.resize(n);
      for (size_t i = 0; i < n; ++i) wav.samples[i] = static_cast<int16_t>(u16(body + 2 * i));
      return wav.channels > 0 && wav.rate > 0;
    }
    at = body + size + (size & 1);
  }
  return false;
}

// Sets an environment variable for the programs started while it lives; puts the old value back after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A game of `messages` messages ("これは1番目の文です。" …, 11 characters), each followed by a click
// wait, then a choice of three options ("北へ", "南へ", "西へ") that set v1 to 1, 2 or 3, then the
// message "おわり。" and a last click wait.
inline std::string ReadingGame(int messages, const std::string& mode = "window", int text_wait = 0) {
  std::string s = "text_mode " + mode + "\ntext_wait " + std::to_string(text_wait) + "\n";
  for (int i = 1; i <= messages; ++i)
    s += "message \"これは" + std::to_string(i) + "番目の文です。\"\nclick\n";
  s += "choice {\n";
  const char* const options[] = {"北へ", "南へ", "西へ"};
  for (int i = 0; i < 3; ++i) {
    s += std::string("  option \"") + options[i] + "\" {\n    v1 = " + std::to_string(i + 1) +
         "\n    goto done\n  }\n";
  }
  return s + "}\nwait\ndone:\nmessage \"おわり。\"\nclick\n";
}

// Whether a trace holds a line ending in `tail` (" v1=2", " 130").
inline bool TraceHas(const std::vector<std::string>& trace, const std::string& tail) {
  return std::any_of(trace.begin(), trace.end(), [&](const std::string& line) {
    return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
  });
}

// A game of a test's own, built with advc into a scratch folder and played headless (32-bit, normal
// drawing) with an events file, the player's data folder kept inside the scratch folder.
class HeadlessGame {
 public:
  explicit HeadlessGame(const std::string& source) { BuildGame(source, folder_.path() / "GAME.ADV"); }

  RunResult Play(const std::string& events, const std::vector<std::string>& extra = {}) {
    WriteFile(folder_.path() / "events.txt", events);
    std::vector<std::string> args{"--headless", "--depth",    "32",      "--drawing-mode", "1",
                                  "--events",   "events.txt", "--trace", "trace.txt"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("GAME.ADV");
    return RunPlayer(args, folder_.path());
  }

  // How many times the last run executed the opcode.
  int Ran(int opcode) const {
    int n = 0;
    for (const std::string& line : ReadLines(folder_.path() / "trace.txt")) {
      std::istringstream words(line);
      std::string position, code;
      n += words >> position >> code && code == std::to_string(opcode);
    }
    return n;
  }
  std::vector<std::string> Trace() const { return ReadLines(folder_.path() / "trace.txt"); }
  RgbImage Shot(const std::string& name) const { return ReadShot(folder_.path() / name); }
  const ScratchFolder& folder() const { return folder_; }

 private:
  ScratchFolder folder_;
  ScopedEnv data_home_{"XDG_DATA_HOME", folder_ / "data"};
};

// ---- An X server of the tests' own ----

// A command's standard output, trailing blanks and newlines cut.
inline std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

}  // namespace corv::e2e
