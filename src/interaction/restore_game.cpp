// Putting a loaded game in place of the one being played.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "interaction/save_game.h"
#include "media/music.h"
#include "media/pictures.h"
#include "media/resources.h"

namespace corv {
namespace {

// Copies a saved picture onto a surface of the current depth. Pixels of the saved colour key become the
// destination's key; other pixels go through 8-bit red, green and blue when the depths differ.
void RestorePicture(const Surface& saved, Surface& into) {
  if (saved.Empty() || into.Empty()) return;
  const bool same_key = saved.colour_key == into.colour_key;
  if (saved.Depth() == into.Depth() && same_key) {
    std::memcpy(into.Data(), saved.Data(), std::min(saved.SizeBytes(), into.SizeBytes()));
    return;
  }
  const int width = std::min(saved.Width(), into.Width()), height = std::min(saved.Height(), into.Height());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = saved.ReadPixel(x, y);
      if (saved.colour_key && p == *saved.colour_key && into.colour_key) {
        into.WritePixel(x, y, *into.colour_key);
        continue;
      }
      uint32_t out = p;
      if (saved.Depth() != into.Depth()) {
        uint8_t r, g, b;
        UnmapPixel(saved.Depth(), p, r, g, b);
        out = MapColour(into.Depth(), static_cast<uint32_t>(r) | (g << 8) | (b << 16));
      }
      // A converted pixel that happens to equal the key would turn transparent; nudge it one step.
      if (into.colour_key && out == *into.colour_key) out ^= 1;
      into.WritePixel(x, y, out);
    }
  }
}

// Loads a picture by number into its slot, as the picture commands do; the number becomes 0 when the
// picture's file is no longer there, so a stale slot is never drawn. The slot is loaded even when the
// number is the one showing: the restored name tables may give that number another file.
void RestoreSlotPicture(Player& player, int32_t number, int32_t& current,
                        const std::vector<std::u32string>& names, int slot) {
  current = 0;
  if (number <= 0 || number > kMaxName) return;
  if (auto path = FindResource(player, names[number], ".BMP")) {
    LoadPictureSlot(player, *path, slot);
    current = number;
  }
}

}  // namespace

void ApplySavedGame(Player& player, SavedGame&& game) {
  Screen& screen = player.screen;
  GameData& data = player.game;
  ScriptState& script = player.script;
  MusicState& music = player.music;
  // The piece now playing goes on when the save plays the same one.
  const bool same_music = game.MusicNumber == music.MusicNumber &&
                          game.MusicNames[game.MusicNumber] == data.MusicNames[music.MusicNumber];
  script.Variables = std::move(game.Variables);
  script.TextMode = game.TextMode;
  script.TextWait = game.TextWait;
  std::istringstream random(game.random_state);
  random >> script.Random;
  data.BackgroundNames = std::move(game.BackgroundNames);
  data.MusicNames = std::move(game.MusicNames);
  data.PictureNames = std::move(game.PictureNames);
  data.BackgroundNameCursor = game.BackgroundNameCursor;
  data.MusicNameCursor = game.MusicNameCursor;
  data.PictureNameCursor = game.PictureNameCursor;

  RestoreSlotPicture(player, game.BackgroundNumber, screen.BackgroundNumber, data.BackgroundNames, 4);
  RestoreSlotPicture(player, game.Layer1Number, screen.Layer1Number, data.PictureNames, 1);
  RestoreSlotPicture(player, game.Layer3Number, screen.Layer3Number, data.PictureNames, 3);

  if (!same_music) {
    std::optional<std::string> path;
    if (game.MusicNumber > 0) path = FindResource(player, data.MusicNames[game.MusicNumber], ".MID");
    PlayMusic(player, path.value_or(""));
    music.MusicNumber = path ? game.MusicNumber : 0;
  }

  ResumePoint& resume = game.resume;
  RestorePicture(resume.page_layer, screen.PictureSurfaces[5]);
  RestorePicture(resume.work, screen.WorkSurface);
  RestorePicture(resume.message_save, screen.MessageSaveSurface);
  player.text.TextCursorX = resume.TextCursorX;
  player.text.TextCursorY = resume.TextCursorY;
  player.choices.Choices = resume.choices;
  script.ScriptPosition = resume.position;
  player.input.LeftClicked = false;
  player.input.RightClicked = false;
  player.comforts.backlog.assign(game.backlog.begin(), game.backlog.end());
  player.comforts.backlog_added = player.comforts.backlog.size();
  resume.backlog_count = player.comforts.backlog_added;
  player.menu.resume = std::move(resume);
}

}  // namespace corv
