// The scene redraw: WorkSurface blacked out, then the background and the layer-1 picture composed on it.
#include "interaction/waits.h"
#include "media/transfers.h"

namespace corv {

namespace {

// Copies a picture slot onto the whole frame, scaled to 640 x 480. A slot without a picture (its load
// failed) is left out.
void DrawSlot(Player& player, int slot, UseKey key) {
  const Surface& picture = player.screen.PictureSurfaces[static_cast<size_t>(slot)];
  if (picture.Empty()) return;
  Blit(player.screen.WorkSurface, Rect{0, 0, kScreenWidth, kScreenHeight}, picture,
       player.screen.PictureRects[static_cast<size_t>(slot)], key);
}

}  // namespace

void RedrawScene(Player& player, Present present) {
  Surface& work = player.screen.WorkSurface;
  work.fill_colour = 0x000000;
  work.fore_colour = 0x000000;
  DrawBox(work, 0, 0, kScreenWidth, kScreenHeight);
  if (player.screen.BackgroundNumber > 0) DrawSlot(player, 4, UseKey::kNo);
  if (player.screen.Layer1Number > 0) DrawSlot(player, 1, UseKey::kYes);
  if (present == Present::kYes) PresentWork(player);
}

}  // namespace corv
