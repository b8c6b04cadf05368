// A game file from anywhere: the tables are built, then the script runs headless with every wait
// answered by a click, until it ends or a budget of yields and frames is spent. The budget grows with
// the input, so a run costs in proportion to it: a few bytes cannot buy forty frames of fading, and
// the fuzzer reaches longer plays by growing its inputs. Any crash, sanitizer report or exception
// other than the program's own end is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_player.h"
#include "shell/loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The colour depth and drawing quality follow from the input, so every pixel path is reached.
  static constexpr int kDepths[] = {16, 24, 32};
  static corv::fuzz::HeadlessGame game(32, 1);
  game.Reset(kDepths[size % 3], static_cast<int>(size / 3 % 3), data, size);
  const int budget = static_cast<int>(std::min<size_t>(size, 1 << 20));
  game.Budget(32 + budget / 4, 1 + budget / 64);
  if (corv::BuildTables(game.player).ok()) game.Run();
  game.End();
  return 0;
}
