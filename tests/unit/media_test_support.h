// Helpers for the media tests: a whole player built in-process at a given depth, a scratch game folder,
// and raw pixel values worked out by hand from a colour.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "core/player.h"
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

// A fresh folder under the test temp directory, removed again at the end of the test. Its name carries the
// test's name and the process id, so tests run in parallel never share one.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) : path_(testing::TempDir() + UniqueName(name) + "/") {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  static std::string UniqueName(const std::string& name) {
    std::string unique = name + "_" + std::to_string(getpid());
    if (const auto* info = testing::UnitTest::GetInstance()->current_test_info()) {
      unique += std::string("_") + info->test_suite_name() + "_" + info->name();
    }
    for (char& c : unique) {
      if (c == '/') c = '_';
    }
    return unique;
  }

  std::string path_;
};

}  // namespace corv::test
