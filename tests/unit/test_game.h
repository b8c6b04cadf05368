// Helpers for in-process tests: a byte builder for game files and a player on headless services.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/player.h"
#include "core/trace.h"
#include "format/game_writer.h"
#include "format/opcodes.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "program.h"
#include "script/interpreter.h"
#include "shell/loader.h"

namespace corv::test {

// Builds a game file through the format's writer: the header, the script from position 37, a pad byte,
// then the pools. Label, message and option instructions are threaded into their chains in the order they
// are added; names and texts go into their pools in the order they are added. Every emitter returns the
// instruction's position.
class GameBuilder {
 public:
  int32_t Position() const { return static_cast<int32_t>(writer_.Position()); }

  int32_t Bytes(std::initializer_list<uint8_t> bytes) {
    const int32_t at = Position();
    for (uint8_t b : bytes) writer_.Byte(b);
    return at;
  }
  int32_t Label() { return At(writer_.EmitChained(op::kLabel, {-1})); }
  int32_t Goto(int16_t label) { return At(writer_.Emit(op::kGoto, {label})); }
  int32_t If(int16_t variable, uint8_t comparison, int32_t constant, int16_t label) {
    return At(writer_.Emit(op::kIfGoto, {variable, comparison, constant, label}));
  }
  int32_t IfPair(int16_t v1, uint8_t op1, int32_t k1, uint8_t connective, int16_t v2, uint8_t op2, int32_t k2,
                 int16_t label) {
    return At(writer_.Emit(op::kIfPairGoto, {v1, op1, k1, connective, v2, op2, k2, label}));
  }
  int32_t Calc(int16_t variable, uint8_t operation, int16_t x) {
    return At(writer_.Emit(op::kCalc, {variable, operation, x}));
  }
  // Opcodes 2 (background), 3 (music) and 16 (picture): the name goes into the opcode's pool.
  int32_t DefineName(uint8_t opcode, int16_t number, const std::string& name) {
    writer_.AddText(opcode == op::kDefineBackground ? Pool::kBackground
                    : opcode == op::kDefineMusic    ? Pool::kMusic
                                                    : Pool::kPicture,
                    name);
    return DefineNameRaw(opcode, number, static_cast<int16_t>(name.size()));
  }
  int32_t DefineNameRaw(uint8_t opcode, int16_t number, int16_t length) {
    return At(writer_.Emit(opcode, {number, length}));
  }
  int32_t Message(int16_t number, const std::string& sjis) {
    writer_.AddText(Pool::kMessage, sjis);
    return At(writer_.EmitChained(op::kMessage, {-1, number, static_cast<int16_t>(sjis.size())}));
  }
  int32_t Option(int16_t number, uint8_t slot, const std::string& sjis) {
    writer_.AddText(Pool::kChoice, sjis);
    return At(writer_.EmitChained(op::kOption, {-1, number, slot, static_cast<uint8_t>(sjis.size())}));
  }
  int32_t End() { return Bytes({op::kEndProgram}); }

  std::vector<uint8_t> Build() const {
    GameWriter padded = writer_;
    padded.Byte(0);  // a pad byte: the file's last byte is never executed
    return padded.Finish();
  }

  // Writes a little-endian value at a position (from 1) of a built image.
  static void Put32(std::vector<uint8_t>& image, int32_t position, int32_t value) {
    GameWriter::Put32(image, position, value);
  }
  static void Put16(std::vector<uint8_t>& image, int32_t position, int32_t value) {
    GameWriter::Put16(image, position, value);
  }

 private:
  static int32_t At(int64_t position) { return static_cast<int32_t>(position); }

  GameWriter writer_;
};

// A player on the headless services: virtual clock, no window, a recording sequencer, box glyphs.
struct TestPlayer {
  VirtualClock clock;
  std::unique_ptr<Display> display = MakeHeadlessDisplay(clock, DisplayOptions{});
  RecordingSequencer sequencer;
  std::unique_ptr<GlyphSource> glyphs = MakeBoxGlyphSource();
  std::unique_ptr<Dialogs> dialogs = MakeHeadlessDialogs();
  std::unique_ptr<Player> owned = std::make_unique<Player>();
  Player& player = *owned;

  TestPlayer() { player.services = Services{display.get(), &clock, &sequencer, glyphs.get(), dialogs.get()}; }

  // Puts the image in place and builds the tables; false (with the loader's message) on failure.
  bool Load(const std::vector<uint8_t>& image, std::string* error = nullptr) {
    player.game.GameImage = image;
    const Status built = BuildTables(player);
    if (error) *error = built.error();
    return built.ok();
  }

  // Runs the script to its end; the exit status EndProgram gave.
  int Run() {
    try {
      RunScript(player);
    } catch (const ProgramExit& exit) {
      return exit.status;
    }
  }
};

}  // namespace corv::test
