// advc: the scenario compiler for game authors. Builds a game file from readable source, prints a game
// file back as source, and checks a game file for what would go wrong at play time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace advc {

struct Diagnostic {
  std::string file;
  int line = 0;
  int column = 0;  // 1-based, counted in characters (code points), not bytes
  std::string message;
  std::string ToString() const;  // "file:line:column: message"
};

struct BuildResult {
  bool ok = false;
  std::vector<uint8_t> image;  // the whole game file; empty when !ok
  std::vector<Diagnostic> errors;
  // The source was in the explicit form: the image is exactly the bytes it spells out, with nothing added
  // or checked, so it may be a file the player refuses (the form exists to reproduce any file).
  bool explicit_form = false;
};

// Compiles UTF-8 source. file_name is only used to name the place of each error.
BuildResult Build(std::string_view source_utf8, const std::string& file_name);

// Prints a game file as source that Build turns back into exactly the same bytes. Files that the
// readable form cannot reproduce come out in the explicit byte-for-byte form.
std::string Disassemble(const std::vector<uint8_t>& image);

// What would break when the game is played: one finding per entry, empty when none. Pictures and music
// are looked for in game_folder (any letter case); an empty game_folder skips that look-up.
std::vector<std::string> Check(const std::vector<uint8_t>& image, const std::string& game_folder);

}  // namespace advc
