#include "interaction/slot_screen.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "interaction/system_menu.h"
#include "media/transfers.h"
#include "shell/main_window.h"
#include "shell/user_folders.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

constexpr char32_t kNoData[] = U"  Ｎｏ　Ｄａｔａ";
constexpr size_t kMaxSaveFileBytes = 64 * 1024 * 1024;  // far above any real save

std::string WithSlash(std::string folder) {
  if (folder.empty()) return "./";
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::u32string Widen(const std::string& ascii) {
  return std::u32string(ascii.begin(), ascii.end());
}

std::string GameBaseName(const Player& player) {
  const std::string& name = player.location.GameFileName;
  return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

}  // namespace

std::string DataFolder(const Player& player) {
  return UserDataFolder() + GameBaseName(player) + "/";
}

std::string SlotFolder(Player& player) {
  const GameLocation& location = player.location;
  const std::string game_folder = WithSlash(location.GameFolder);
  // A folder given with --save-dir is used as it is; the game folder falls back when it is read-only.
  if (!location.SaveFolder.empty() && WithSlash(location.SaveFolder) != game_folder) {
    return WithSlash(location.SaveFolder);
  }
  if (::access(game_folder.c_str(), W_OK | X_OK) == 0) return game_folder;
  const std::string data_folder = DataFolder(player);
  if (!player.menu.data_folder_noted) {
    player.menu.data_folder_noted = true;
    std::fprintf(stderr, "corvalline: the game folder %s cannot be written; saved games are kept in %s\n",
                 game_folder.c_str(), data_folder.c_str());
  }
  return data_folder;
}

std::string SlotFileName(Player& player, int32_t n) {
  return SlotFolder(player) + GameBaseName(player) + std::to_string(n) + ".SAV";
}

std::optional<std::string> FindSlotFile(const std::string& path) {
  const fs::path wanted(path);
  const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
  const std::string name = wanted.filename().string();
  std::error_code ec;
  if (!fs::exists(folder, ec)) return std::nullopt;
  fs::directory_iterator it(folder, ec);
  if (ec) throw MenuStepFailed{};
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) throw MenuStepFailed{};
    const std::string entry = it->path().filename().string();
    std::error_code type_ec;
    if (EqualNoCase(entry, name) && it->is_regular_file(type_ec)) return (folder / entry).string();
  }
  if (ec) throw MenuStepFailed{};
  return std::nullopt;
}

std::u32string SlotLabel(Player& player, int32_t n) {
  const auto file = FindSlotFile(SlotFileName(player, n));
  if (!file) return kNoData;
  struct stat info {};
  if (::stat(file->c_str(), &info) != 0) throw MenuStepFailed{};
  std::tm local{};
  if (!::localtime_r(&info.st_mtime, &local)) throw MenuStepFailed{};
  char text[32];
  if (std::strftime(text, sizeof(text), "%Y/%m/%d %H:%M:%S", &local) == 0) throw MenuStepFailed{};
  return Widen(text);
}

void DrawSlotList(Player& player, Surface& surface, int highlighted, bool refresh) {
  auto& labels = player.menu.SlotLabels;
  if (refresh) {
    for (int n = 1; n <= kSlotCount; ++n) labels[n] = SlotLabel(player, n);
  }
  FontSpec& font = player.screen.TextFont;
  const double size = std::round(font.size_pt);
  font.size_pt = 16;
  for (int n = 1; n <= kSlotCount; ++n) {
    DrawMenuRow(player, surface, 230, 170 + 30 * (n - 1), labels[n], n == highlighted);
  }
  font.bold = false;
  font.size_pt = size;
  surface.font = font;
}

int SelectSlot(Player& player) {
  InputState& input = player.input;
  input.LeftClicked = false;
  input.RightClicked = false;
  int result = 0;
  KeptFrame kept;
  while (result == 0) {
    DoEvents(player);
    if (input.RightClicked) {
      input.RightClicked = false;
      result = -1;
    }
    const int row = MenuRowAt(input.PointerX, input.PointerY, 170, 16);
    const int slot = row >= 0 && row < kSlotCount ? row + 1 : -1;
    CopyMenuSaveToBack(player);
    kept.DrawOn(player.screen.BackBuffer, slot,
                [&](Surface& back) { DrawSlotList(player, back, slot, false); });
    FlipToScreen(player);
    if (input.LeftClicked) {
      input.LeftClicked = false;
      if (slot >= 1) result = slot;
    }
    NoteWaitingForPlayer(player);
  }
  return result;
}

void SaveToSlot(Player& player, int32_t n) {
  const auto game = CaptureGame(player);
  if (!game) {
    std::fprintf(stderr, "corvalline: there is nothing to save yet\n");
    ShowMenuNotice(player, U"今はセーブできません。");
    return;
  }
  // An existing slot file keeps its spelling; a new one takes the standard name.
  const std::string standard = SlotFileName(player, n);
  const std::string path = FindSlotFile(standard).value_or(standard);
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string error;
  if (!WriteSaveFile(path, EncodeSavedGame(player, *game), &error)) {
    std::fprintf(stderr, "corvalline: the game was not saved: %s\n", error.c_str());
    ShowMenuNotice(player, U"セーブできませんでした。");
  }
}

std::optional<SavedGame> LoadFromSlot(Player& player, int32_t n) {
  const auto path = FindSlotFile(SlotFileName(player, n));
  if (!path) {
    ShowMenuNotice(player, U"データがありません。");
    return std::nullopt;
  }
  SaveFileProblem problem = SaveFileProblem::kUnreadable;
  std::optional<SavedGame> game;
  if (auto bytes = ReadWholeFile(*path, kMaxSaveFileBytes)) game = DecodeSavedGame(player, *bytes, &problem);
  if (game) return game;
  std::fprintf(stderr, "corvalline: %s was not loaded: %s\n", path->c_str(), DescribeProblem(problem));
  switch (problem) {
    case SaveFileProblem::kOtherGame:
      ShowMenuNotice(player, U"別のゲームのデータです。");
      break;
    case SaveFileProblem::kNewerVersion:
      ShowMenuNotice(player, U"新しい版のデータです。");
      break;
    case SaveFileProblem::kUnreadable:
      ShowMenuNotice(player, U"データを読み込めません。");
      break;
    default:
      ShowMenuNotice(player, U"データが壊れています。");
      break;
  }
  return std::nullopt;
}

}  // namespace corv
