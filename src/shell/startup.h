// Start-up: finding the game file, checking that it is one, opening the display, loading, running.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/player.h"
#include "shell/options_dialog.h"
#include "shell/startup_times.h"

namespace corv {

inline constexpr char kNotAGameMessage[] = "このファイルは実行できません。";
inline constexpr char kInitFailedMessage[] = "Corvalline2 の初期化に失敗しました。";
inline constexpr char kWarningTitle[] = "警告";
inline constexpr char kOpenDialogTitle[] = "ゲームファイルを開く";
inline constexpr char kOpenDialogFilter[] = "ゲームファイル(*.ADV)\t*.ADV";  // description, tab, pattern

// The folder part of a path, up to and including its last '/': "/usr/bin/x" gives "/usr/bin/", "/x"
// gives "/" (never "//"), a path without any '/' gives "".
std::string FolderOf(const std::string& path);

// The running program's executable, from /proc/self/exe; empty when it cannot be found.
std::string ExecutablePath();

// The folder of the running program's executable, with exactly one trailing '/'.
std::string AppFolder();

// The game file played without a dialog: the executable's name without its extension, plus ".ADV",
// beside the executable, matched in any letter case and spelt as the directory spells it. Regular files
// only (hidden and read-only ones count).
std::optional<std::string> DefaultGameFile(const std::string& executable_path);

// The demo game that comes with the player, found from the executable's folder (ending in '/'): first
// demo/DEMO.ADV beside it (the build tree), then ../share/corvalline/demo/DEMO.ADV (an installed tree, at
// whatever prefix it was installed). Every place looked in is added to *searched when given.
std::optional<std::string> BundledDemoFile(const std::string& app_folder,
                                           std::vector<std::string>* searched = nullptr);

// Splits a full path at its last '/' into GameFolder (ending in '/') and GameFileName. A relative path
// is taken from the current folder first.
GameLocation SplitGamePath(const std::string& path);

// Whether the file starts with the four bytes "CRVL" (case-sensitive; shorter files never do).
// False with *error set when it cannot be read at all.
bool HasGameMagic(const std::string& path, std::string* error);

// The start-up sequence, once the player's services are in place: the game file (`game_path` from the
// command line, else the default file beside the executable, else the open-file dialog), the magic
// check, InitDisplay, LoadGame and RunScript. Returns the exit status when the program ends before the
// script runs (0 after a cancelled dialog, 1 when the file is not a game or the display cannot be
// opened); every later end throws ProgramExit through EndProgram (status 1 after a failed load).
int StartGame(Player& player, OptionsDialog& options, const std::optional<std::string>& game_path,
              const StartupTimes& times = StartupTimes());

}  // namespace corv
