// Start-up without dialogs where none is needed: the game file named on the command line or lying
// beside the executable is played at once; only when neither exists does the open-file dialog appear.
#include "shell/startup.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/shutdown.h"
#include "interaction/comforts.h"
#include "media/resources.h"
#include "script/interpreter.h"
#include "shell/display_init.h"
#include "shell/loader.h"

namespace corv {
namespace {

void Warn(Player& player, const char* message) {
  if (player.services.dialogs)
    player.services.dialogs->MessageBox(message, kWarningTitle, MessageIcon::kStop);
}

// The file name without its last extension: "GAME.EXE" gives "GAME", "corvalline" stays.
std::string Stem(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExecutablePath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string AppFolder() {
  const std::string folder = FolderOf(ExecutablePath());
  return folder.empty() ? "./" : folder;
}

std::optional<std::string> DefaultGameFile(const std::string& executable_path) {
  const size_t slash = executable_path.rfind('/');
  const std::string name = slash == std::string::npos ? executable_path : executable_path.substr(slash + 1);
  if (name.empty()) return std::nullopt;
  return FindFileNoCase(FolderOf(executable_path) + Stem(name) + ".ADV");
}

std::optional<std::string> BundledDemoFile(const std::string& app_folder,
                                           std::vector<std::string>* searched) {
  for (const char* relative : {"demo/DEMO.ADV", "../share/corvalline/demo/DEMO.ADV"}) {
    const std::string candidate = std::filesystem::path(app_folder + relative).lexically_normal().string();
    if (searched) searched->push_back(candidate);
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

GameLocation SplitGamePath(const std::string& path) {
  std::string full = path;
  if (!full.empty() && full[0] != '/') {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (!ec) full = absolute.lexically_normal().string();
  }
  GameLocation location;
  location.GameFolder = FolderOf(full);
  location.GameFileName = full.substr(location.GameFolder.size());
  return location;
}

bool HasGameMagic(const std::string& path, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    if (error) *error = path + ": no such game file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = path + ": cannot open the file for reading";
    return false;
  }
  char magic[4] = {};
  in.read(magic, 4);
  if (in.gcount() != 4 || std::string(magic, 4) != "CRVL") {
    if (error) *error = path + ": not a game file (it does not begin with CRVL)";
    return false;
  }
  return true;
}

int StartGame(Player& player, OptionsDialog& options, const std::optional<std::string>& game_path,
              const StartupTimes& times) {
  std::optional<std::string> path = game_path;
  if (!path) path = DefaultGameFile(ExecutablePath());
  if (!path && player.services.dialogs) {
    player.services.dialogs->SetStartFolder(player.preferences.last_game_folder);
    path = player.services.dialogs->OpenFile(kOpenDialogTitle, kOpenDialogFilter);
  }
  if (!path) return 0;  // the dialog was cancelled: nothing to play, nothing to say

  const std::string save_folder = player.location.SaveFolder;
  player.location = SplitGamePath(*path);
  player.preferences.last_game_folder = player.location.GameFolder;
  player.location.SaveFolder = save_folder.empty() ? player.location.GameFolder : save_folder;
  const std::string full_path = player.location.GameFolder + player.location.GameFileName;

  std::string error;
  if (!HasGameMagic(full_path, &error)) {
    std::fprintf(stderr, "corvalline: %s\n", error.c_str());
    Warn(player, kNotAGameMessage);
    return 1;
  }
  if (!InitDisplay(player, options, &error)) {
    std::fprintf(stderr, "corvalline: cannot open the display: %s\n", error.c_str());
    Warn(player, kInitFailedMessage);
    return 1;
  }
  times.Mark("display open");
  if (const Status loaded = LoadGame(player, full_path); !loaded) {
    std::fprintf(stderr, "corvalline: %s\n", loaded.error().c_str());
    EndProgram(player, 1);
  }
  times.Mark("loading screen shown and game loaded");
  LoadReadRecord(player);
  RunScript(player);
}

}  // namespace corv
