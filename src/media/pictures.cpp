// Picture slots and the picture commands (opcodes 129, 137 and 142).
//
// The commands only load a picture into its slot and record its number; the scene is composed from the
// slots later, when the next message or choice redraws it. A slot is drawn only while its number is above
// 0 and its surface holds a picture: a slot whose file existed but could not be decoded keeps its new
// number but stays empty, and is then left out of the scene. Such a file is named once on stderr with
// the reason, the first time it is asked for; the game goes on.
#include "media/pictures.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/operands.h"
#include "media/missing_files.h"
#include "media/resources.h"
#include "platform/bitmap.h"
#include "platform/text_codec.h"

namespace corv {

namespace {

constexpr int kBackgroundSlot = 4;

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The picture number of the picture command being executed (opcodes 129, 137 and 142).
int32_t PictureNumberOperand(const Player& player) {
  return InstructionAt(Image(player.game), player.script.ScriptPosition)[Field::kNumber];
}

// The file a name table entry names, or nullopt when the number is beyond the table or no file matches.
std::optional<std::string> PicturePath(const Player& player, const std::vector<std::u32string>& names,
                                       int32_t number) {
  if (number <= 0 || static_cast<size_t>(number) >= names.size()) return std::nullopt;
  return FindResource(player, names[static_cast<size_t>(number)], ".BMP");
}

// Says once per file why a picture the game asked for cannot be shown. The name is the game's own, with
// control characters (an escape sequence hidden in a name table, say) shown as '?'.
void NoteUnreadablePicture(Player& player, const std::string& path, std::u32string name,
                           const std::string& reason) {
  if (!player.screen.unreadable_pictures.insert(path).second) return;
  for (char32_t& c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) c = U'?';
  }
  std::fprintf(stderr, "corvalline: picture \"%s\" cannot be shown: %s\n", ToUtf8(name).c_str(),
               reason.c_str());
}

// Shared steps of the three commands: a negative number or the current one changes nothing (and reads no
// file); 0 hides the slot but keeps its picture; any other number loads the named file into the slot and
// becomes current, unless the file is missing, in which case everything stays as it was.
void ShowPictureCommand(Player& player, const std::vector<std::u32string>& names, int slot,
                        int32_t& current) {
  const int32_t number = PictureNumberOperand(player);
  if (number < 0 || number == current) return;
  if (number == 0) {
    current = 0;
    return;
  }
  const std::optional<std::string> path = PicturePath(player, names, number);
  if (!path) {
    if (static_cast<size_t>(number) < names.size())
      NoteMissingFile(player, MissingKind::kPicture, names[static_cast<size_t>(number)]);
    return;
  }
  std::string error;
  if (!LoadPictureSlot(player, *path, slot, &error)) {
    NoteUnreadablePicture(player, *path, names[static_cast<size_t>(number)], error);
  }
  current = number;
}

}  // namespace

bool LoadPictureSlot(Player& player, const std::string& path, int slot, std::string* error) {
  if (slot < 1 || slot >= static_cast<int>(player.screen.PictureSurfaces.size())) {
    if (error) *error = "no picture slot " + std::to_string(slot);
    return false;
  }
  if (!IsRegularFile(path)) {
    if (error) *error = "not a file";
    return false;
  }

  Surface& surface = player.screen.PictureSurfaces[static_cast<size_t>(slot)];
  Rect& rect = player.screen.PictureRects[static_cast<size_t>(slot)];
  surface = Surface();  // the slot is empty from here on until the new picture is in
  rect = Rect{};

  Result<Surface> picture = LoadBitmapFile(path, player.settings.ColourDepth);
  if (!picture) {
    if (error) *error = picture.error();
    return false;
  }
  surface = std::move(picture).value();
  rect = surface.Bounds();

  // Slots 1 to 3 are drawn with a colour key: the raw value of the pixel at column 1, row 1. A picture
  // narrower or lower than 2 pixels takes it from the nearest pixel that exists (column or row 0), so a
  // keyed slot always has a key.
  if (slot <= 3) {
    const int x = std::min(1, surface.Width() - 1);
    const int y = std::min(1, surface.Height() - 1);
    surface.colour_key = surface.ReadPixel(x, y);
  }
  return true;
}

void ShowBackground(Player& player) {
  ShowPictureCommand(player, player.game.BackgroundNames, kBackgroundSlot, player.screen.BackgroundNumber);
}

void ShowLayerPicture(Player& player, int layer) {
  if (layer == 1) ShowPictureCommand(player, player.game.PictureNames, 1, player.screen.Layer1Number);
  if (layer == 3) ShowPictureCommand(player, player.game.PictureNames, 3, player.screen.Layer3Number);
}

}  // namespace corv
