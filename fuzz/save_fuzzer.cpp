// Saved-game bytes from anywhere. The input is the part of a slot file after its header and the game's
// identity; the target puts the right magic, version, checksum and game identity in front of it, so the
// fuzzer spends its time on the payload rather than on guessing checksums. A save that is accepted is
// put in place, pictures, music and all.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_player.h"
#include "growing_mutator.h"
#include "interaction/save_game.h"
#include "platform/compression.h"
#include "seeds.h"
#include "shell/loader.h"

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The input as the payload of a slot file of the game, loaded and applied when it decodes.
void Load(corv::Player& player, const uint8_t* data, size_t size) {
  std::vector<uint8_t> payload;
  PutU32(payload, static_cast<uint32_t>(player.game.GameImage.size()));
  PutU32(payload, corv::Crc32(player.game.GameImage));
  payload.insert(payload.end(), data, data + size);
  std::vector<uint8_t> file = {'C', 'R', 'V', 'L', 'S', 'A', 'V', 'E'};
  PutU32(file, corv::kSaveFormatVersion);
  PutU32(file, corv::Crc32(payload));
  file.insert(file.end(), payload.begin(), payload.end());

  corv::Result<corv::SavedGame> saved = corv::DecodeSavedGame(player, file);
  if (saved) corv::ApplySavedGame(player, std::move(saved).value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string game_file = corv::fuzz::SeedGames().front().second;
  static corv::fuzz::HeadlessGame game(32, 1);
  game.Reset(size % 2 ? 16 : 32, 1, reinterpret_cast<const uint8_t*>(game_file.data()), game_file.size());
  corv::Player& player = game.player;
  if (corv::BuildTables(player).ok()) Load(player, data, size);
  game.End();
  return 0;
}
// The statics are built before the first input, so that no input's time includes them.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  LLVMFuzzerTestOneInput(nullptr, 0);
  return 0;
}
