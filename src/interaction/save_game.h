// Saved games: what a slot file holds, its binary form, writing it without ever losing the previous
// save, and putting a loaded game back in place.
//
// A slot file is "CRVLSAVE", a format version (u32), the CRC-32 of everything after it (u32) and the
// payload, all little-endian. The payload starts with the game file's length and CRC-32, so a save of
// another game, or of another release of the same game, is refused; the pictures of the resume point are
// kept deflated.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/player.h"
#include "platform/file_store.h"

namespace corv {

// Version 2 added the backlog; files of version 1 load with an empty one.
inline constexpr uint32_t kSaveFormatVersion = 2;

// Everything a game resumes from: the scenario's state, the pictures and music by number, the name
// tables that give those numbers their files, and the wait to resume (with the frame it needs).
struct SavedGame {
  std::vector<int32_t> Variables;
  uint8_t TextMode = 0;
  uint8_t TextWait = 0;
  std::string random_state;  // the random generator, in its standard text form
  int32_t BackgroundNumber = 0;
  int32_t Layer1Number = 0;
  int32_t Layer3Number = 0;
  int32_t MusicNumber = 0;
  std::vector<std::u32string> BackgroundNames;
  std::vector<std::u32string> MusicNames;
  std::vector<std::u32string> PictureNames;
  int32_t BackgroundNameCursor = 0;
  int32_t MusicNameCursor = 0;
  int32_t PictureNameCursor = 0;
  ResumePoint resume;
  std::vector<BacklogEntry> backlog;  // as it stood at the resume point
};

// Thrown by the system menu when a saved game was chosen under "L O A D": it unwinds the menu and the
// waits around it, and the interpreter loop applies it between two instructions.
struct LoadRequest {
  SavedGame game;
};

// Why a slot file was refused.
enum class SaveFileProblem { kNone, kUnreadable, kNotASaveFile, kNewerVersion, kOtherGame, kDamaged };
const char* DescribeProblem(SaveFileProblem problem);

// Recorded by the waits that a load can return to: a message (kind kMessage) by opcode 130 before any of
// it is drawn, a choice (kChoice) by opcode 9 before its options are drawn. Nothing is recorded unless
// ScriptPosition stands at that kind's opcode, so the click waits inside a message record nothing.
void NoteResumePoint(Player& player, ResumePoint::Kind kind);

// The game as it stands, to be resumed at the last resume point; nullopt when there is none yet.
std::optional<SavedGame> CaptureGame(const Player& player);

std::vector<uint8_t> EncodeSavedGame(const Player& player, const SavedGame& game);
// Checks everything against the loaded game file; nullopt, with *problem set, when the bytes are refused.
std::optional<SavedGame> DecodeSavedGame(const Player& player, std::span<const uint8_t> bytes,
                                         SaveFileProblem* problem);

// Writes a slot file atomically (WriteFileAtomically); the slot file it replaces is kept as path + ".bak".
// False, with *error, when anything failed; the old slot file is then as it was.
[[nodiscard]] bool WriteSaveFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error);

// Puts a loaded game in place: state, pictures reloaded by number, music restarted, the page layer and
// frames restored (converted when they were saved in another colour depth), and ScriptPosition at the
// wait to resume, so the interpreter runs that instruction again.
void ApplySavedGame(Player& player, SavedGame&& game);

}  // namespace corv
