#include "interaction/page_text.h"

#include "interaction/waits.h"
#include "media/transfers.h"

namespace corv {

Surface& PageLayer(Player& player) {
  return player.screen.PictureSurfaces[5];
}

void ComposePageLayer(Player& player) {
  Surface& layer = PageLayer(player);
  Blit(player.screen.WorkSurface, player.screen.WorkSurface.Bounds(), layer, layer.Bounds(), UseKey::kYes);
}

int32_t ScrollPageText(Player& player, int32_t step) {
  if (step <= 0 || step > 210) return 0;  // nothing would move, or not even one step fits
  Surface& layer = PageLayer(player);
  const Rect source{0, 30 + step, kScreenWidth, kScreenHeight};
  const Rect destination{0, 30, kScreenWidth, kScreenHeight - step};
  int32_t k = 0;
  for (; k <= 210 - step; k += step) {
    Blit(layer, destination, layer, source, UseKey::kNo);
    CopyMessageSaveToWork(player);
    ComposePageLayer(player);
    PresentWork(player);
    // A click does not shorten the scroll.
    if (TimedWait(player, player.script.TextWait / 10) == WaitEnd::kLoadChosen) break;
  }
  return k;
}

}  // namespace corv
