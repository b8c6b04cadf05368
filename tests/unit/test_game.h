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
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/display.h"
#include "platform/glyphs.h"
#include "platform/sequencer.h"
#include "script/interpreter.h"
#include "shell/loader.h"

namespace corv::test {

// Builds a game file: the header, the script from position 37, a pad byte, then the pools. Label, message and
// option instructions are threaded into their chains in the order they are added; names and texts go
// into their pools in the order they are added. Every emitter returns the instruction's position.
class GameBuilder {
 public:
  int32_t Position() const { return 37 + static_cast<int32_t>(script_.size()); }

  int32_t Bytes(std::initializer_list<uint8_t> bytes) {
    const int32_t at = Position();
    // Grown first and then written: inserting the list makes GCC 12 at -O3 warn of overflows inside the
    // standard library where none can happen.
    script_.resize(script_.size() + bytes.size());
    std::copy(bytes.begin(), bytes.end(), script_.end() - static_cast<std::ptrdiff_t>(bytes.size()));
    return at;
  }
  int32_t Label() {
    labels_.push_back(Position());
    return Bytes({5, 0, 0, 0, 0});
  }
  int32_t Goto(int16_t label) {
    const int32_t at = Bytes({10});
    Int16(label);
    return at;
  }
  int32_t If(int16_t variable, uint8_t op, int32_t constant, int16_t label) {
    const int32_t at = Bytes({12});
    Int16(variable);
    Bytes({op});
    Int32(constant);
    Int16(label);
    return at;
  }
  int32_t IfPair(int16_t v1, uint8_t op1, int32_t k1, uint8_t connective, int16_t v2, uint8_t op2, int32_t k2,
                 int16_t label) {
    const int32_t at = Bytes({13});
    Int16(v1);
    Bytes({op1});
    Int32(k1);
    Bytes({connective});
    Int16(v2);
    Bytes({op2});
    Int32(k2);
    Int16(label);
    return at;
  }
  int32_t Calc(int16_t variable, uint8_t operation, int16_t x) {
    const int32_t at = Bytes({14});
    Int16(variable);
    Bytes({operation});
    Int16(x);
    return at;
  }
  // Opcodes 2 (background), 3 (music) and 16 (picture): the name goes into the opcode's pool.
  int32_t DefineName(uint8_t opcode, int16_t number, const std::string& name) {
    (opcode == 2 ? background_pool_ : opcode == 3 ? music_pool_ : picture_pool_) += name;
    return DefineNameRaw(opcode, number, static_cast<int16_t>(name.size()));
  }
  int32_t DefineNameRaw(uint8_t opcode, int16_t number, int16_t length) {
    const int32_t at = Bytes({opcode});
    Int16(number);
    Int16(length);
    return at;
  }
  int32_t Message(int16_t number, const std::string& sjis) {
    messages_.push_back(Position());
    message_pool_ += sjis;
    const int32_t at = Bytes({130, 0, 0, 0, 0});
    Int16(number);
    Int16(static_cast<int16_t>(sjis.size()));
    return at;
  }
  int32_t Option(int16_t number, uint8_t slot, const std::string& sjis) {
    options_.push_back(Position());
    choice_pool_ += sjis;
    const int32_t at = Bytes({131, 0, 0, 0, 0});
    Int16(number);
    Bytes({slot, static_cast<uint8_t>(sjis.size())});
    return at;
  }
  int32_t End() { return Bytes({255}); }

  std::vector<uint8_t> Build() const {
    // The image is made at its full size and then written: growing it piece by piece makes GCC 12 at -O3
    // warn of copies out of bounds inside the standard library where none can happen.
    const std::string* pools[] = {&picture_pool_, &background_pool_, &music_pool_, &choice_pool_,
                                  &message_pool_};
    size_t size = 36 + script_.size() + 1;  // a pad byte: the file's last byte is never executed
    for (const std::string* pool : pools) size += pool->size();
    std::vector<uint8_t> image(size, 0);
    const std::string_view magic = "CRVL";
    std::copy(magic.begin(), magic.end(), image.begin());
    auto end = std::copy(script_.begin(), script_.end(), image.begin() + 36) + 1;
    int32_t header = 5;  // the pools' positions, at 5, 9, 13, 17 and 21
    for (const std::string* pool : pools) {
      Put32(image, header, static_cast<int32_t>(end - image.begin()) + 1);
      end = std::copy(pool->begin(), pool->end(), end);
      header += 4;
    }
    Thread(image, 25, labels_);
    Thread(image, 29, options_);
    Thread(image, 33, messages_);
    return image;
  }

  // Writes a 32-bit little-endian value at a position (from 1) of a built image.
  static void Put32(std::vector<uint8_t>& image, int32_t position, int32_t value) {
    for (int i = 0; i < 4; ++i)
      image[position - 1 + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  }
  static void Put16(std::vector<uint8_t>& image, int32_t position, int32_t value) {
    for (int i = 0; i < 2; ++i)
      image[position - 1 + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
  }

 private:
  void Int16(int16_t v) {
    Bytes({static_cast<uint8_t>(v), static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8)});
  }
  void Int32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    Bytes({static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
           static_cast<uint8_t>(u >> 24)});
  }
  // The header field at `head` links to the first instruction's link field, each link to the next's.
  static void Thread(std::vector<uint8_t>& image, int32_t head, const std::vector<int32_t>& positions) {
    int32_t link = head;
    for (int32_t at : positions) {
      Put32(image, link, at + 1);
      link = at + 1;
    }
    Put32(image, link, -1);
  }

  std::vector<uint8_t> script_;
  std::vector<int32_t> labels_, messages_, options_;
  std::string picture_pool_, background_pool_, music_pool_, choice_pool_, message_pool_;
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
    std::string ignored;
    return BuildTables(player, error ? error : &ignored);
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

// A fresh empty folder under the system's temporary folder, removed with everything in it at the end.
struct TempFolder {
  std::string path;
  TempFolder() {
    char pattern[] = "/tmp/corv-test-XXXXXX";
    path = std::string(::mkdtemp(pattern)) + "/";
  }
  ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path + name, std::ios::binary) << bytes;
    return path + name;
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    return Write(name, std::string(bytes.begin(), bytes.end()));
  }
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace corv::test
