// Placeholder until music is built.
#include "media/music.h"
#include "shell/unsupported.h"

namespace corv {
int32_t PlayMusic(Player&, const std::string&) {
  return 0;
}
void PlayMusicCommand(Player& player) {
  Unsupported(player, "opcode 6 (music)");
}
}  // namespace corv
