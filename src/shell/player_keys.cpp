#include "shell/player_keys.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "interaction/comforts.h"
#include "media/corner_note.h"
#include "platform/desktop_folders.h"
#include "platform/png.h"
#include "platform/settings_editor.h"
#include "shell/preferences.h"

namespace corv {
namespace {

constexpr int kVolumeStep = 10;

std::u32string Widen(const std::string& ascii) {
  return std::u32string(ascii.begin(), ascii.end());
}

void ChangeVolume(Player& player, int step) {
  Preferences& prefs = player.preferences;
  if (step == 0) {
    prefs.muted = !prefs.muted;
  } else {
    prefs.volume = std::clamp(prefs.volume + step, 0, 100);
    prefs.muted = false;
  }
  ApplyVolume(player);
  ShowCornerNote(player,
                 prefs.muted ? U"音量 ミュート" : U"音量 " + Widen(std::to_string(prefs.volume)) + U"%");
}

void TakeScreenshot(Player& player) {
  std::string error;
  const std::optional<std::string> path = SaveScreenshot(player, PicturesFolder() + "/Corvalline/", &error);
  if (!path) {
    std::fprintf(stderr, "corvalline: no screenshot: %s\n", error.c_str());
    ShowCornerNote(player, U"スクリーンショットを保存できませんでした");
    return;
  }
  std::fprintf(stderr, "corvalline: screenshot saved as %s\n", path->c_str());
  ShowCornerNote(player, U"スクリーンショットを保存しました");
}

// F1: the settings dialog over the paused game. OK applies what changed and saves; Cancel changes
// nothing. The game's frame is shown again as it was.
void OpenSettingsDialog(Player& player) {
  SettingsEditor* editor = player.services.settings_editor;
  if (!editor) return;
  Preferences& prefs = player.preferences;
  Display* display = player.services.display;
  const std::optional<WindowState> window = display ? display->CurrentWindowState() : std::nullopt;
  const SettingsValues current{
      prefs.volume,      prefs.muted,         window ? window->fullscreen : prefs.fullscreen,
      prefs.scaling,     prefs.text_speed_ms, prefs.auto_delay_ms,
      prefs.skip_unread, prefs.strict};
  const std::optional<SettingsValues> edited = editor->Edit(current);
  if (edited && *edited != current) {
    prefs.volume = edited->volume;
    prefs.muted = edited->muted;
    prefs.fullscreen = edited->fullscreen;
    prefs.scaling = edited->scaling;
    prefs.text_speed_ms = edited->text_speed_ms;
    prefs.auto_delay_ms = edited->auto_delay_ms;
    prefs.skip_unread = edited->skip_unread;
    prefs.strict = edited->strict;
    player.comforts.strict = prefs.strict;
    player.comforts.skip_unread = prefs.skip_unread;
    player.comforts.auto_delay_ms = static_cast<uint32_t>(prefs.auto_delay_ms);
    player.comforts.text_speed_ms = prefs.text_speed_ms;
    ApplyVolume(player);
    if (display) {
      display->SetScaling(prefs.scaling);
      display->SetFullscreen(prefs.fullscreen);
    }
  }
  if (edited) SavePreferences(player);
  PresentScreen(player);
}

}  // namespace

void ApplyVolume(Player& player) {
  if (player.services.sequencer)
    player.services.sequencer->SetVolume(player.preferences.muted ? 0 : player.preferences.volume);
}

bool HandlePlayerKey(Player& player, int key_code) {
  switch (key_code) {
    case '-':
      ChangeVolume(player, -kVolumeStep);
      return true;
    case '+':
    case '=':  // + without Shift on most keyboards
      ChangeVolume(player, kVolumeStep);
      return true;
    case 'm':
    case 'M':
      ChangeVolume(player, 0);
      return true;
    case kKeyF12:
      TakeScreenshot(player);
      return true;
    case kKeyF1:
      OpenSettingsDialog(player);
      return true;
    default:
      return false;
  }
}

std::optional<std::string> SaveScreenshot(const Player& player, const std::string& folder,
                                          std::string* error) {
  const Surface& shown = player.screen.PrimarySurface;
  if (shown.Empty()) {
    if (error) *error = "nothing is on the screen yet";
    return std::nullopt;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string game = std::filesystem::path(player.location.GameFileName).stem().string();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char stamp[32] = "";
  if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = folder + (game.empty() ? "corvalline" : game) + "-" + stamp;
  // A name already taken, by any kind of entry (a symbolic link too), is never written over.
  std::string path = base + ".png";
  struct stat info {};
  for (int n = 2; ::lstat(path.c_str(), &info) == 0; ++n) path = base + "-" + std::to_string(n) + ".png";
  if (const Status written = WritePngFile(path, shown); !written) {
    if (error) *error = written.error();
    return std::nullopt;
  }
  return path;
}

void InstallHooks(Player& player) {
  player.hooks = Hooks{&HandlePlayerKey, &ExpireCornerNote, &SaveReadRecord};
}

}  // namespace corv
