// Placeholder until display set-up is built.
#include "shell/display_init.h"

namespace corv {
bool InitDisplay(Player& player, OptionsDialog&, std::string*) {
  CreateSurfaces(player);
  return true;
}
bool OpenScreen(Player&, OptionsDialog&, std::string* error) {
  if (error) *error = "display set-up is not built yet";
  return false;
}
void PrepareKeyedLayer(Player&) {}
void CreateSurfaces(Player& player) {
  Screen& s = player.screen;
  const int d = player.settings.ColourDepth;
  for (Surface* surface : {&s.PrimarySurface, &s.BackBuffer, &s.WorkSurface, &s.MessageSaveSurface,
                           &s.MenuSaveSurface, &s.PictureSurfaces[5]}) {
    *surface = Surface(kScreenWidth, kScreenHeight, d);
  }
  s.PictureRects[5] = Rect{0, 0, kScreenWidth, kScreenHeight};
}
}  // namespace corv
