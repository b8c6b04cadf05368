// Music: one MIDI piece at a time, started here and looped by the main window's one-second timer.
// Everything goes through the sequencer's command strings, addressed by the alias "sequencer".
#include "media/music.h"

#include <cctype>
#include <limits>

#include "core/operands.h"
#include "core/shutdown.h"
#include "media/missing_files.h"
#include "media/resources.h"

namespace corv {
namespace {

// The number at the start of a reply: leading blanks skipped, digits up to the first other character,
// 0 when there are none; too large a number stops at the largest 32-bit length.
int32_t LeadingNumber(const std::string& reply) {
  size_t i = reply.find_first_not_of(' ');
  int64_t value = 0;
  for (; i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i])); ++i) {
    value = std::min<int64_t>(value * 10 + (reply[i] - '0'), std::numeric_limits<int32_t>::max());
  }
  return static_cast<int32_t>(value);
}

}  // namespace

int32_t PlayMusic(Player& player, const std::string& path) {
  if (path.empty()) {
    StopMusic(player);
    return 0;
  }
  MusicState& music = player.music;
  RecordingSequencer nowhere;  // a player without a sequencer (some tests) sends its commands nowhere
  Sequencer& sequencer = player.services.sequencer ? *player.services.sequencer : nowhere;
  music.MusicLength = 0;
  music.MusicPlaying = false;
  music.MusicStartTick = 0;
  if (music.SequencerOpen) {
    music.SequencerOpen = false;
    sequencer.SendString("close sequencer");
  }
  sequencer.SendString("open \"" + path + "\" type sequencer alias sequencer");
  sequencer.SendString("set sequencer time format milliseconds");
  sequencer.SendString("play sequencer notify");
  music.MusicLength = LeadingNumber(sequencer.SendString("status sequencer length"));
  music.MusicPlaying = true;
  music.MusicStartTick = player.services.clock ? player.services.clock->TickCount() : 0;
  music.SequencerOpen = true;
  return music.MusicLength;
}

void PlayMusicCommand(Player& player) {
  const int32_t n = CurrentInstruction(player, op::kMusic)[Field::kNumber];
  if (n < 0 || n == player.music.MusicNumber) return;  // a running piece is not restarted
  // An undefined entry (or a number beyond the table) names no file, so it stops the music.
  std::optional<std::string> path;
  if (n <= kMaxName && !player.game.MusicNames[n].empty())
    path = FindResource(player, player.game.MusicNames[n], ".MID");
  if (path) {
    PlayMusic(player, *path);
    player.music.MusicNumber = n;
  } else {
    if (n <= kMaxName) NoteMissingFile(player, MissingKind::kMusic, player.game.MusicNames[n]);
    PlayMusic(player, "");
    player.music.MusicNumber = 0;
  }
}

}  // namespace corv
