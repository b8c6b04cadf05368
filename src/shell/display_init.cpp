#include "shell/display_init.h"

#include "platform/dialogs.h"

namespace corv {

namespace {

constexpr uint32_t kPureBlue = 0xFF0000;  // 0xBBGGRR
constexpr int kTextLayerSlot = 5;

}  // namespace

bool InitDisplay(Player& player, OptionsDialog& dialog, std::string* error) {
  if (!OpenScreen(player, dialog, error)) return false;
  // The one text font: the Mincho face at 12 points, not bold.
  if (!player.services.glyphs) {
    if (error) *error = "no font to draw text with";
    return false;
  }
  player.screen.TextFont = FontSpec{12.0, false, false};
  player.screen.BackBuffer.font = player.screen.TextFont;
  return true;
}

bool OpenScreen(Player& player, OptionsDialog& dialog, std::string* error) {
  Display* display = player.services.display;
  if (!display) {
    if (error) *error = "no display";
    return false;
  }
  dialog.Show();

  // Every 640 x 480 mode at 16, 24 or 32 bits becomes selectable; the last one listed is preselected.
  bool usable = false;
  for (const DisplayMode& mode : display->EnumerateModes()) {
    if (mode.width != kScreenWidth || mode.height != kScreenHeight) continue;
    int index = -1;
    if (mode.bits_per_pixel == 16) index = 0;
    if (mode.bits_per_pixel == 24) index = 1;
    if (mode.bits_per_pixel == 32) index = 2;
    if (index < 0) continue;
    dialog.OfferDepth(index);
    player.settings.ColourDepth = mode.bits_per_pixel;
    dialog.EnableOk();
    usable = true;
  }
  if (!usable) {
    if (player.services.dialogs) {
      player.services.dialogs->MessageBox("このコンピュータ上では実行できません。", "警告",
                                          MessageIcon::kInformation);
    }
    dialog.Dismiss();
    if (error) *error = "the display offers no 640 x 480 mode at 16, 24 or 32 bits";
    return false;
  }

  // Cancel, or closing the dialog's frame, ends the program before the display was touched.
  if (!dialog.WaitUntilClosed()) throw ProgramExit{0};
  // The choice is remembered for the next start.
  player.preferences.depth = player.settings.ColourDepth;
  player.preferences.drawing_mode = player.settings.DrawingMode;

  if (!display->SetMode(kScreenWidth, kScreenHeight, player.settings.ColourDepth, error)) return false;
  CreateSurfaces(player);
  return true;
}

void PrepareKeyedLayer(Player& player) {
  Surface& layer = player.screen.PictureSurfaces[kTextLayerSlot];
  const Rect& rect = player.screen.PictureRects[kTextLayerSlot];
  layer.fill_colour = kPureBlue;
  layer.fore_colour = kPureBlue;
  DrawBox(layer, 0, 0, kScreenWidth, kScreenHeight);
  // The key is whatever pure blue became in this pixel format, read back from the surface itself.
  layer.colour_key = layer.ReadPixel(rect.left + 1, rect.top + 1);
}

void CreateSurfaces(Player& player) {
  Screen& s = player.screen;
  const int depth = player.settings.ColourDepth;
  for (Surface* surface : {&s.PrimarySurface, &s.BackBuffer, &s.WorkSurface, &s.MessageSaveSurface,
                           &s.MenuSaveSurface, &s.PictureSurfaces[kTextLayerSlot]}) {
    *surface = Surface(kScreenWidth, kScreenHeight, depth);
  }
  s.PictureRects[kTextLayerSlot] = Rect{0, 0, kScreenWidth, kScreenHeight};
  PrepareKeyedLayer(player);
}

}  // namespace corv
