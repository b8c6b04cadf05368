#include "media/transfers.h"

#include "media/corner_note.h"

namespace corv {
namespace {
// Whole-frame copy between two surfaces of the same size and format, no key, no scaling.
void CopyFrame(const Surface& from, Surface& to) {
  to.CopyPixels(from);
}
}  // namespace

void CopyWorkToBack(Player& player) {
  CopyFrame(player.screen.WorkSurface, player.screen.BackBuffer);
}
void CopyMenuSaveToBack(Player& player) {
  CopyFrame(player.screen.MenuSaveSurface, player.screen.BackBuffer);
}
void CopyWorkToMessageSave(Player& player) {
  CopyFrame(player.screen.WorkSurface, player.screen.MessageSaveSurface);
}
void CopyWorkToMenuSave(Player& player) {
  CopyFrame(player.screen.WorkSurface, player.screen.MenuSaveSurface);
}
void CopyMessageSaveToWork(Player& player) {
  CopyFrame(player.screen.MessageSaveSurface, player.screen.WorkSurface);
}

void FlipToScreen(Player& player) {
  Screen& screen = player.screen;
  screen.PrimarySurface.SwapPixels(screen.BackBuffer);
  PresentScreen(player);
}

const Surface& ShownFrame(Player& player) {
  Overlay& overlay = player.comforts.overlay;
  if (!overlay.draw || player.screen.PrimarySurface.Empty()) return player.screen.PrimarySurface;
  // A copy shares the front frame's pixels until the overlay is drawn on it; the kept frame spares the
  // drawing while neither the frame nor the overlay's key changed.
  overlay.shown = player.screen.PrimarySurface;
  overlay.kept.DrawOn(overlay.shown, overlay.key, overlay.draw);
  return overlay.shown;
}

void PresentWork(Player& player) {
  CopyWorkToBack(player);
  FlipToScreen(player);
}

}  // namespace corv
