#include "interaction/info_screen.h"

#include "core/events.h"
#include "interaction/comforts.h"
#include "interaction/system_menu.h"
#include "media/shading.h"
#include "media/transfers.h"

namespace corv {
namespace {
std::u32string Widen(const std::string& ascii) {
  return std::u32string(ascii.begin(), ascii.end());
}
}  // namespace

std::u32string SignedNumberText(int64_t n) {
  return (n >= 0 ? U" " : U"") + Widen(std::to_string(n));
}

std::u32string GroupedNumberText(int64_t n) {
  if (n == 0) return U"";
  const std::string digits = std::to_string(n < 0 ? -static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  std::u32string out = n < 0 ? U"-" : U"";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += U',';
    out += static_cast<char32_t>(digits[i]);
  }
  return out;
}

std::u32string VersionLine() {
  const std::u32string minor = SignedNumberText(kVersionMinor);
  return U"Corvalline  " + SignedNumberText(kVersionMajor) + U"." + minor.substr(minor.size() - 2) +
         U"   β１";
}

std::u32string DisplayModeLine(int depth) {
  return U"現在の解像度 640 * 480 *" + SignedNumberText(depth);
}

std::u32string VideoMemoryLine(int64_t free_bytes) {
  return U"使用可能な空きビデオメモリ  " + GroupedNumberText(free_bytes) + U"(Byte)";
}

std::u32string DrawingModeLine(int mode) {
  switch (mode) {
    case 1:
      return U"描画モード  普通";
    case 2:
      return U"描画モード  精細";
    default:
      return U"描画モード  粗い";
  }
}

void DrawInfoPanel(Player& player) {
  CopyWorkToMenuSave(player);
  Surface& panel = player.screen.MenuSaveSurface;
  const int mode = player.settings.DrawingMode;
  if (mode == 1 || mode == 2) {
    BlendRect(panel, player.settings.ColourDepth, 50, 100, 540, 290, 32, 32, 64, 60);
  } else {
    panel.fill_colour = 0x402020;
    panel.fore_colour = 0x402020;
    DrawBox(panel, 50, 100, 590, 390);
  }
}

Status DrawInfoText(Player& player, Surface& surface) {
  FontSpec& font = player.screen.TextFont;
  font.size_pt = 16;
  surface.font = font;
  surface.fore_colour = 0xFFFFFF;
  const int64_t free_bytes = player.services.display ? player.services.display->FreeVideoMemory() : 0;
  const struct {
    int x, y;
    std::u32string text;
  } lines[] = {{60, 120, VersionLine()},
               {60, 145, DisplayModeLine(player.settings.ColourDepth)},
               {60, 170, VideoMemoryLine(free_bytes)},
               {60, 195, DrawingModeLine(player.settings.DrawingMode)},
               {170, 345, U"右クリックで設定を終了します。"}};
  for (const auto& line : lines) {
    if (Status drawn = DrawMenuText(player, surface, line.x, line.y, line.text); !drawn) return drawn;
  }
  return {};
}

Status InfoScreen(Player& player) {
  DrawInfoPanel(player);
  InputState& input = player.input;
  ClearWaitInput(input);
  while (true) {
    DoEvents(player);
    // A right click closes it; so do Enter and Space, for players on the keyboard.
    if (input.RightClicked || TakeKey(input) == WaitKey::kConfirm) {
      input.RightClicked = false;
      return {};
    }
    CopyMenuSaveToBack(player);
    if (Status drawn = DrawInfoText(player, player.screen.BackBuffer); !drawn) return drawn;
    FlipToScreen(player);
    NoteWaitingForPlayer(player);
  }
}

}  // namespace corv
