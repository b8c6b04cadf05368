// Saved games: what a slot file holds, its binary form, and putting a loaded game back in place.
//
// A slot file is "CRVLSAVE", a format version (u32), the CRC-32 of everything after it (u32) and the
// payload, all little-endian. The payload starts with the game file's length and CRC-32, so a save of
// another game, or of another release of the same game, is refused; the pictures of the resume point are
// kept deflated.
//
// The files: save_file.cpp (the binary form, one routine for writing and reading, through
// save_serializer.h), resume_point.cpp (what is recorded at the waits and captured for a save),
// restore_game.cpp (putting a loaded game in place). SavedGame itself is part of the player context.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/player.h"
#include "platform/result.h"

namespace corv {

// Version 2 added the backlog; files of version 1 load with an empty one.
inline constexpr uint32_t kSaveFormatVersion = 2;

// Why a slot file was refused: the reason() of DecodeSavedGame's failure.
enum class SaveFileProblem {
  kNone,
  kUnreadable,
  kNotASaveFile,
  kNewerVersion,
  kOtherGame,
  kDamaged,
  kNoFile,            // the slot has no file (LoadFromSlot)
  kFolderUnreadable,  // the slot folder cannot be listed (LoadFromSlot)
};
const char* DescribeProblem(SaveFileProblem problem);

// The opcode a resume point of this kind stands at: opcode 130 for kMessage, 9 for kChoice, -1 for kNone.
int ResumeOpcode(ResumePoint::Kind kind);

// The opcode byte at a script position, or -1 outside the script.
int OpcodeAt(const GameData& game, int32_t position);

// Recorded by the waits that a load can return to: a message (kind kMessage) by opcode 130 before any of
// it is drawn, a choice (kChoice) by opcode 9 before its options are drawn. Nothing is recorded unless
// ScriptPosition stands at that kind's opcode, so the click waits inside a message record nothing.
void NoteResumePoint(Player& player, ResumePoint::Kind kind);

// The game as it stands, to be resumed at the last resume point; nullopt when there is none yet.
std::optional<SavedGame> CaptureGame(const Player& player);

std::vector<uint8_t> EncodeSavedGame(const Player& player, const SavedGame& game);
// Checks everything against the loaded game file; the failure's reason is a SaveFileProblem.
Result<SavedGame> DecodeSavedGame(const Player& player, std::span<const uint8_t> bytes);

// Puts a loaded game in place: state, pictures reloaded by number, music restarted, the page layer and
// frames restored (converted when they were saved in another colour depth), and ScriptPosition at the
// wait to resume, so the interpreter runs that instruction again.
void ApplySavedGame(Player& player, SavedGame&& game);

}  // namespace corv
