#include "interaction/backlog.h"

#include <algorithm>

#include "core/events.h"
#include "core/full_width.h"
#include "interaction/comforts.h"
#include "media/corner_note.h"
#include "media/shading.h"
#include "media/transfers.h"

namespace corv {
namespace {

constexpr size_t kLineWidth = 28;  // full-width characters of 14 points between x 40 and 600
constexpr int kVisibleLines = 18;
constexpr int kLineHeight = 24;
constexpr int kLeft = 40;
constexpr int kBottomLine = 436;  // y of the newest line
constexpr char32_t kPickedMark[] = U"▶ ";

void DrawBacklog(Player& player, Surface& frame, const std::vector<BacklogLine>& lines, int scrolled) {
  BlendRect(frame, frame.Depth(), 0, 0, kScreenWidth, kScreenHeight, 0, 0, 0, 70);
  frame.font = FontSpec{14, false, false};
  GlyphSource& glyphs = *player.services.glyphs;
  const int last = static_cast<int>(lines.size()) - 1 - scrolled;
  for (int row = 0; row < kVisibleLines && last - row >= 0; ++row) {
    const BacklogLine& line = lines[static_cast<size_t>(last - row)];
    const int y = kBottomLine - kLineHeight * row;
    frame.fore_colour = 0x000000;
    DrawText(frame, glyphs, kLeft + 1, y + 1, line.text);
    frame.fore_colour = line.picked_option ? 0x80E0FF : 0xFFFFFF;  // options in (255, 224, 128)
    DrawText(frame, glyphs, kLeft, y, line.text);
  }
}

// The backlog's input loop; returns when the player closes it.
void RunBacklog(Player& player, int most, int& scrolled) {
  InputState& input = player.input;
  ClearWaitInput(input);
  for (bool open = true; open;) {
    player.comforts.overlay.key = scrolled;
    PresentScreen(player);
    DoEvents(player);
    input.LeftClicked = false;
    const WaitKey key = TakeKey(input);
    switch (key) {
      case WaitKey::kUp:
      case WaitKey::kWheelUp:
        scrolled = std::min(scrolled + 1, most);
        break;
      case WaitKey::kPageUp:
        scrolled = std::min(scrolled + kVisibleLines, most);
        break;
      case WaitKey::kDown:
        scrolled = std::max(scrolled - 1, 0);
        break;
      case WaitKey::kPageDown:
        scrolled = std::max(scrolled - kVisibleLines, 0);
        break;
      case WaitKey::kWheelDown:
        open = scrolled > 0;  // past the newest line the backlog closes
        scrolled = std::max(scrolled - 1, 0);
        break;
      case WaitKey::kBacklog:
      case WaitKey::kClose:
        open = false;
        break;
      default:
        break;
    }
    if (input.RightClicked) open = false;
    NoteWaitingForPlayer(player);
  }
}

// Takes the overlay away however the backlog is left.
class OverlayGuard {
 public:
  explicit OverlayGuard(Overlay& overlay) : overlay_(overlay) {}
  ~OverlayGuard() { overlay_ = Overlay(); }
  OverlayGuard(const OverlayGuard&) = delete;
  OverlayGuard& operator=(const OverlayGuard&) = delete;

 private:
  Overlay& overlay_;
};

}  // namespace

std::vector<BacklogLine> BacklogLines(const std::deque<BacklogEntry>& backlog, size_t width) {
  std::vector<BacklogLine> lines;
  for (const BacklogEntry& entry : backlog) {
    if (!lines.empty()) lines.push_back({});  // a blank line between entries
    std::u32string text = ToFullWidth(entry.text);
    if (entry.picked_option) text = kPickedMark + text;
    // Line breaks (CR LF, CR or LF) start a new line; long lines are cut into lines of `width`.
    std::u32string current;
    auto flush = [&] {
      lines.push_back({current, entry.picked_option});
      current.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
      const char32_t c = text[i];
      if (c == U'\r' || c == U'\n') {
        if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        flush();
      } else if (c >= U' ') {
        current += c;
        if (current.size() == width) flush();
      }
    }
    if (!current.empty() || lines.empty() || lines.back().text.empty()) flush();
  }
  return lines;
}

void OpenBacklog(Player& player) {
  InputState& input = player.input;
  Overlay& overlay = player.comforts.overlay;
  const std::vector<BacklogLine> lines = BacklogLines(player.comforts.backlog, kLineWidth);
  const int most = std::max(0, static_cast<int>(lines.size()) - kVisibleLines);
  int scrolled = 0;  // lines scrolled back from the newest
  {
    const OverlayGuard guard(overlay);
    overlay.draw = [&](Surface& frame) { DrawBacklog(player, frame, lines, scrolled); };
    RunBacklog(player, most, scrolled);
  }
  ClearWaitInput(input);
  PresentScreen(player);
}

}  // namespace corv
