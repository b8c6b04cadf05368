// Helpers for the in-process tests: a whole player built at a given depth, and raw pixel values worked
// out by hand from a colour.
#pragma once

#include <cstring>
#include <memory>

#include "core/player.h"
#include "scratch_folder.h"
#include "shell/display_init.h"

namespace corv::test {

inline std::unique_ptr<Player> MakePlayer(int depth) {
  auto player = std::make_unique<Player>();
  player->settings.ColourDepth = depth;
  CreateSurfaces(*player);
  return player;
}

// 0xRRGGBB to the raw pixel of a depth: 8:8:8 as is, 5:6:5 keeping the top 5, 6 and 5 bits.
inline uint32_t Raw(int depth, uint32_t rgb) {
  if (depth != 16) return rgb & 0xFFFFFF;
  const uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
}

inline void Fill(Surface& s, uint32_t raw) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.WritePixel(x, y, raw);
}

inline bool SameBytes(const Surface& a, const Surface& b) {
  return a.SizeBytes() == b.SizeBytes() && std::memcmp(a.Data(), b.Data(), a.SizeBytes()) == 0;
}

// A game image holding one instruction, opcode and 16-bit number, with the script position on it.
inline void SetInstruction(Player& player, uint8_t opcode, int number) {
  const auto n = static_cast<uint16_t>(number);
  player.game.GameImage = {opcode, static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8)};
  player.script.ScriptPosition = 1;
}

}  // namespace corv::test
