// What a save holds of the moment it was made: the resume point recorded at the last message or
// choice, and the state captured from the player context.
#include <algorithm>
#include <sstream>

#include "format/image_reader.h"
#include "format/opcodes.h"
#include "interaction/save_game.h"

namespace corv {

int ResumeOpcode(ResumePoint::Kind kind) {
  switch (kind) {
    case ResumePoint::Kind::kMessage:
      return op::kMessage;
    case ResumePoint::Kind::kChoice:
      return op::kWaitChoice;
    case ResumePoint::Kind::kNone:
      break;
  }
  return -1;
}

int OpcodeAt(const GameData& game, int32_t position) {
  const ImageReader image(game.GameImage);
  if (position < kScriptStart || !image.Has(position, 1)) return -1;
  return image.Byte(position);
}

void NoteResumePoint(Player& player, ResumePoint::Kind kind) {
  const int32_t position = player.script.ScriptPosition;
  if (kind == ResumePoint::Kind::kNone || OpcodeAt(player.game, position) != ResumeOpcode(kind)) return;
  ResumePoint& resume = player.menu.resume;
  Screen& screen = player.screen;
  resume.kind = kind;
  resume.position = position;
  resume.choices = player.choices.Choices;
  resume.TextCursorX = player.text.TextCursorX;
  resume.TextCursorY = player.text.TextCursorY;
  resume.page_layer = screen.PictureSurfaces[5];
  resume.backlog_count = player.comforts.backlog_added;
  if (kind == ResumePoint::Kind::kChoice) {
    resume.work = screen.WorkSurface;
    resume.message_save = screen.MessageSaveSurface;
  } else {
    // A message rebuilds its whole frame from the pictures.
    resume.work = Surface();
    resume.message_save = Surface();
  }
}

std::optional<SavedGame> CaptureGame(const Player& player) {
  if (player.menu.resume.kind == ResumePoint::Kind::kNone) return std::nullopt;
  SavedGame game;
  game.Variables = player.script.Variables;
  game.TextMode = player.script.TextMode;
  game.TextWait = player.script.TextWait;
  std::ostringstream random;
  random << player.script.Random;
  game.random_state = random.str();
  game.BackgroundNumber = player.screen.BackgroundNumber;
  game.Layer1Number = player.screen.Layer1Number;
  game.Layer3Number = player.screen.Layer3Number;
  game.MusicNumber = player.music.MusicNumber;
  game.BackgroundNames = player.game.BackgroundNames;
  game.MusicNames = player.game.MusicNames;
  game.PictureNames = player.game.PictureNames;
  game.BackgroundNameCursor = player.game.BackgroundNameCursor;
  game.MusicNameCursor = player.game.MusicNameCursor;
  game.PictureNameCursor = player.game.PictureNameCursor;
  game.resume = player.menu.resume;
  // The backlog without what was added after the resume point: a message resumed is shown, and added,
  // again.
  const std::deque<BacklogEntry>& backlog = player.comforts.backlog;
  const uint64_t later = player.comforts.backlog_added - game.resume.backlog_count;
  const size_t kept = backlog.size() - static_cast<size_t>(std::min<uint64_t>(later, backlog.size()));
  game.backlog.assign(backlog.begin(), backlog.begin() + static_cast<std::ptrdiff_t>(kept));
  return game;
}

}  // namespace corv
