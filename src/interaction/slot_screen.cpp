#include "interaction/slot_screen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "interaction/comforts.h"
#include "interaction/system_menu.h"
#include "media/transfers.h"
#include "platform/file_store.h"
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

// Whether `name` is one of this game's slot files or their backups, in any letter case.
bool IsSlotFileName(const Player& player, std::string_view name) {
  const std::string base = GameBaseName(player);
  for (int n = 1; n <= kSlotCount; ++n) {
    const std::string slot = base + std::to_string(n) + ".SAV";
    if (EqualNoCase(std::string(name), slot) || EqualNoCase(std::string(name), slot + ".bak")) return true;
  }
  return false;
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
  if (CanWriteInFolder(game_folder)) return game_folder;
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
  auto unreadable = [&](const std::error_code& ec) {
    return SlotFolderUnreadable{folder.string() + ": " + ec.message()};
  };
  std::error_code ec;
  if (fs::status(folder, ec).type() == fs::file_type::not_found) return std::nullopt;
  if (ec) throw unreadable(ec);
  fs::directory_iterator it(folder, ec);
  if (ec) throw unreadable(ec);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) throw unreadable(ec);
    const std::string entry = it->path().filename().string();
    std::error_code type_ec;
    // A symbolic link is no slot file, whatever it points at: slot files are never read through one.
    if (EqualNoCase(entry, name) && it->symlink_status(type_ec).type() == fs::file_type::regular) {
      return (folder / entry).string();
    }
  }
  if (ec) throw unreadable(ec);
  return std::nullopt;
}

std::u32string TimeLabel(int64_t seconds) {
  // 0001/01/01 00:00:00 and 9999/12/31 23:59:59 in UTC: times outside show as the nearer end.
  constexpr int64_t kFirst = -62135596800, kLast = 253402300799;
  std::tm t{};
  bool first = seconds < kFirst;
  bool last = seconds > kLast;
  if (!first && !last) {
    const auto time = static_cast<std::time_t>(seconds);
    if (!::localtime_r(&time, &t)) ::gmtime_r(&time, &t);
    // A time zone can carry the ends of the range into a fifth digit.
    first = t.tm_year < 1 - 1900;
    last = t.tm_year > 9999 - 1900;
  }
  if (first) return U"0001/01/01 00:00:00";
  if (last) return U"9999/12/31 23:59:59";
  char text[96];
  std::snprintf(text, sizeof(text), "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return Widen(text);
}

std::u32string SlotLabel(Player& player, int32_t n) {
  const auto file = FindSlotFile(SlotFileName(player, n));
  const auto modified = file ? ModificationTime(*file) : std::nullopt;
  return modified ? TimeLabel(*modified) : kNoData;
}

void DrawSlotList(Player& player, Surface& surface, int highlighted, bool refresh) {
  auto& labels = player.menu.SlotLabels;
  if (refresh) {
    for (int n = 1; n <= kSlotCount; ++n) labels[n] = SlotLabel(player, n);
  }
  const FontSizeScope slot_size(player.screen.TextFont, surface, 16);
  for (int n = 1; n <= kSlotCount; ++n) {
    DrawMenuRow(player, surface, 230, 170 + 30 * (n - 1), labels[n], n == highlighted);
  }
}

int SelectSlot(Player& player) {
  InputState& input = player.input;
  ClearWaitInput(input);
  int result = 0;
  int key_row = -1;
  KeptFrame kept;
  while (result == 0) {
    DoEvents(player);
    if (input.RightClicked) {
      input.RightClicked = false;
      result = -1;
    }
    const int pointer_row = MenuRowAt(input.PointerX, input.PointerY, 170, 16);
    bool picked = false;
    const int row =
        KeyboardRow(player, key_row, kSlotCount, pointer_row < kSlotCount ? pointer_row : -1, &picked);
    const int slot = row >= 0 ? row + 1 : -1;
    const int pointer_slot = pointer_row >= 0 && pointer_row < kSlotCount ? pointer_row + 1 : -1;
    CopyMenuSaveToBack(player);
    kept.DrawOn(player.screen.BackBuffer, slot,
                [&](Surface& back) { DrawSlotList(player, back, slot, false); });
    FlipToScreen(player);
    if (input.LeftClicked) {
      input.LeftClicked = false;
      if (pointer_slot >= 1) result = pointer_slot;
    } else if (picked) {
      result = slot;
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
  const fs::path folder = fs::path(path).parent_path();
  std::error_code ec;
  fs::create_directories(folder, ec);
  RemoveLeftoverTemporaries(folder.string(),
                            [&](std::string_view name) { return IsSlotFileName(player, name); });
  SaveReadRecord(player);  // what was read so far is kept with the game
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
  ReadFailure failure = ReadFailure::kNone;
  const auto bytes = ReadWholeFile(*path, kMaxSaveFileBytes, &failure);
  // A file larger than any save is damaged, like one whose contents do not add up.
  SaveFileProblem problem =
      failure == ReadFailure::kTooLarge ? SaveFileProblem::kDamaged : SaveFileProblem::kUnreadable;
  std::optional<SavedGame> game;
  if (bytes) game = DecodeSavedGame(player, *bytes, &problem);
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
