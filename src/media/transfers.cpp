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

void PresentWork(Player& player) {
  CopyWorkToBack(player);
  FlipToScreen(player);
}

}  // namespace corv
