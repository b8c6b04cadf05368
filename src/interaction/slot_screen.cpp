#include "interaction/slot_screen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "core/events.h"
#include "interaction/comforts.h"
#include "interaction/system_menu.h"
#include "media/transfers.h"
#include "platform/file_store.h"
#include "platform/user_folders.h"

namespace corv {
namespace {

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

Result<std::u32string> SlotLabel(Player& player, int32_t n) {
  const auto file = FindFileAnyCase(SlotFileName(player, n));
  if (!file) return file.failure();  // the folder cannot be listed
  const auto modified = *file ? ModificationTime(**file) : std::nullopt;
  return modified ? TimeLabel(*modified) : std::u32string(kNoData);
}

Status RefreshSlotLabels(Player& player) {
  for (int n = 1; n <= kSlotCount; ++n) {
    Result<std::u32string> label = SlotLabel(player, n);
    if (!label) return label.failure();
    player.menu.SlotLabels[n] = std::move(*label);
  }
  return {};
}

Status DrawSlotList(Player& player, Surface& surface, int highlighted) {
  std::vector<MenuListRow> rows;
  for (int n = 1; n <= kSlotCount; ++n) rows.push_back({230, 170 + 30 * (n - 1), player.menu.SlotLabels[n]});
  return DrawMenuList(player, surface, 16, highlighted >= 1 ? highlighted - 1 : -1, rows);
}

Result<int> SelectSlot(Player& player) {
  return SelectMenuRow(player, kSlotCount, 170, 16, [&](Surface& back, int row) {
    return DrawSlotList(player, back, row >= 0 ? row + 1 : -1);
  });
}

Status SaveToSlot(Player& player, int32_t n) {
  const auto game = CaptureGame(player);
  if (!game) return Fail("there is nothing to save yet", SaveFailure::kNothingToSave);
  // An existing slot file keeps its spelling; a new one takes the standard name.
  const std::string standard = SlotFileName(player, n);
  const auto existing = FindFileAnyCase(standard);
  if (!existing) return Fail(existing.error(), SaveFailure::kFolderUnreadable);
  const std::string path = existing->value_or(standard);
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  static_cast<void>(MakeFolders(folder));  // a folder that cannot be made fails the write below
  RemoveLeftoverTemporaries(folder, [&](std::string_view name) { return IsSlotFileName(player, name); });
  SaveReadRecord(player);  // what was read so far is kept with the game
  const Status written = ReplaceFileKeepingBackup(path, path + ".bak", EncodeSavedGame(player, *game));
  if (!written) return Fail(written.error(), SaveFailure::kWriteFailed);
  return {};
}

Result<SavedGame> LoadFromSlot(Player& player, int32_t n) {
  const auto path = FindFileAnyCase(SlotFileName(player, n));
  if (!path) return Fail(path.error(), SaveFileProblem::kFolderUnreadable);
  if (!*path) return Fail("there is no saved game in slot " + std::to_string(n), SaveFileProblem::kNoFile);
  auto bytes = ReadWholeFile(**path, kMaxSaveFileBytes);
  // A file larger than any save is damaged, like one whose contents do not add up.
  if (!bytes) {
    const bool too_large = bytes.reason<ReadFailure>() == ReadFailure::kTooLarge;
    const SaveFileProblem problem = too_large ? SaveFileProblem::kDamaged : SaveFileProblem::kUnreadable;
    return Fail(**path + " was not loaded: " + DescribeProblem(problem), problem);
  }
  auto game = DecodeSavedGame(player, *bytes);
  if (!game) return Fail(**path + " was not loaded: " + game.error(), game.reason());
  return game;
}

}  // namespace corv
