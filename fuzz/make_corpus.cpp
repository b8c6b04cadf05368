// Writes the seed corpus of every fuzz target under the folder given (normally fuzz/corpus):
//   make_corpus OUT_FOLDER
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "format/game_writer.h"
#include "format/opcodes.h"
#include "fuzz_player.h"
#include "interaction/save_game.h"
#include "seeds.h"
#include "shell/loader.h"

namespace {

using corv::fuzz::Seed;

void WriteAll(const std::string& folder, const std::vector<Seed>& seeds) {
  ::mkdir(folder.c_str(), 0755);
  for (const auto& [name, bytes] : seeds) {
    std::ofstream(folder + "/" + name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
}

// A game played up to its first message, saved there; the part of the slot file after its header and
// the game's identity, which is what the save target takes.
std::string SavePayload(int depth) {
  corv::fuzz::HeadlessGame game(depth, 1, 400, 4);
  const std::string image = corv::fuzz::SeedGames().front().second;
  game.player.game.GameImage.assign(image.begin(), image.end());
  if (!corv::BuildTables(game.player).ok()) return {};
  game.Run();
  const std::optional<corv::SavedGame> saved = corv::CaptureGame(game.player);
  if (!saved) return {};
  const std::vector<uint8_t> file = corv::EncodeSavedGame(game.player, *saved);
  return std::string(file.begin() + 16 + 8, file.end());
}

// A game with nothing but the end of the program: no labels, texts or names.
std::string EmptyGame() {
  corv::GameWriter writer;
  writer.Emit(corv::op::kEndProgram, {});
  const std::vector<uint8_t> image = writer.Finish();
  return std::string(image.begin(), image.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus OUT_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  ::mkdir(out.c_str(), 0755);
  std::vector<Seed> games = corv::fuzz::SeedGames();
  games.emplace_back("empty.ADV", EmptyGame());
  WriteAll(out + "/game", games);
  WriteAll(out + "/advc_roundtrip", games);
  WriteAll(out + "/advc_build", corv::fuzz::SeedScripts());
  WriteAll(out + "/bitmap", corv::fuzz::SeedBitmaps());
  WriteAll(out + "/midi", corv::fuzz::SeedMidis());
  WriteAll(out + "/resource", {{"bg",
                                "\x01"
                                "bg"},
                               {"sub", "\x01sub\\x"},
                               {"dotdot", "\x01..\\etc\\passwd"},
                               {"sjis", "\x01\x83\x65\x83\x58\x83\x67"},
                               {"wide", std::string("\x00", 1) + std::string("B\0\0\0G\0\0\0", 8)}});
  std::vector<Seed> saves;
  for (int depth : {16, 32}) {
    const std::string payload = SavePayload(depth);
    if (payload.empty()) {
      std::fprintf(stderr, "make_corpus: no saved game at depth %d\n", depth);
      return 1;
    }
    saves.emplace_back("save" + std::to_string(depth), payload);
  }
  WriteAll(out + "/save", saves);
  WriteAll(out + "/events", {{"every-command",
                              "# a session\nmove 10 20\nclick 100 200\nrclick 5 6\nmclick 7 8\n"
                              "key esc\nkey enter\nkey space\nkey a\nkey #\nwait 250\nidle\n"
                              "shot out/frame one.png\n"},
                             {"blanks", " \t\v\f\r\n\n  idle  \r\n"},
                             {"error", "move 1\n"}});
  return 0;
}
