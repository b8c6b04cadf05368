#include "media/corner_note.h"

#include "media/transfers.h"

namespace corv {
namespace {

constexpr int kMargin = 8;
constexpr int kPadding = 4;
constexpr uint32_t kNoteBackground = 0x302020;  // 0xBBGGRR: a dark blue-grey
constexpr uint32_t kNoteText = 0xFFFFFF;

bool NoteDue(const Player& player) {
  return !player.note.text.empty() && player.services.clock &&
         static_cast<int32_t>(player.note.until - player.services.clock->TickCount()) > 0;
}

}  // namespace

void ShowCornerNote(Player& player, const std::u32string& text) {
  player.note.text = text;
  player.note.until = (player.services.clock ? player.services.clock->TickCount() : 0) + kCornerNoteMs;
  PresentScreen(player);
}

void PresentScreen(Player& player) {
  Display* display = player.services.display;
  if (!display) return;
  const Surface& shown = ShownFrame(player);  // the overlay, if one is open, lies under the note
  if (!NoteDue(player) || shown.Empty() || !player.services.glyphs) {
    display->Present(shown);
    return;
  }
  Surface frame = shown;  // shares the pixels until the note is drawn, which gives it its own
  frame.font = FontSpec{12.0, false, false};
  const GlyphMask& mask = player.services.glyphs->Render(player.note.text, frame.font);
  const int right = frame.Width() - kMargin;
  const int left = right - mask.width - 2 * kPadding;
  const int bottom = kMargin + mask.height + 2 * kPadding;
  frame.fill_colour = kNoteBackground;
  frame.fore_colour = kNoteBackground;
  DrawBox(frame, left, kMargin, right, bottom);
  frame.fore_colour = kNoteText;
  DrawText(frame, *player.services.glyphs, left + kPadding, kMargin + kPadding, player.note.text);
  display->Present(frame);
}

void ExpireCornerNote(Player& player) {
  if (player.note.text.empty() || NoteDue(player)) return;
  player.note.text.clear();
  PresentScreen(player);  // the frame as the game left it
}

}  // namespace corv
