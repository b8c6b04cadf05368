// The reading comforts: keys and the wheel at the waits, skip (Ctrl held, or Tab), auto mode (A), the
// record of messages read, the text hook and the copy of the message on screen.
//
// None of them changes what the script computes or draws on the game's surfaces: they answer waits the
// game is already in, shorten them, or draw in an overlay (backlog.h). With --strict every key but Esc
// is ignored, and the waits behave as if the comforts were not there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/events.h"
#include "core/player.h"

namespace corv {

// The keys, the wheel and the clicks reach the comforts through the main window's handlers
// (ComfortKeyPress and the others in core/events.h); the waits take them from here.

// What every wait does when it starts: clicks, keys and pointer moves given before it do not count.
void ClearWaitInput(InputState& input);
// The key given since the last look, now taken.
WaitKey TakeKey(InputState& input);

// The keyboard's highlight in a list of `rows` rows: the arrows and the wheel move it (starting from the
// pointer's row), a pointer move gives the highlight back to the pointer. Returns the row to show lit,
// -1 for none; *picked is set when Enter or Space picked that row. Other keys are left for the caller.
int KeyboardRow(Player& player, int& key_row, int rows, int pointer_row, bool* picked);

// Whether the message on screen may be skipped now: Ctrl held or skip mode on, and the message read
// before (or unread text may be skipped too).
bool Skipping(const Player& player);
// Called by a click wait on every pass: skip mode ends at a choice and at a message not read before.
void StopSkipWhereItMustStop(Player& player, bool choice);
// How long auto mode waits at a click wait before answering it.
uint32_t AutoDelay(const Player& player);

// A message starts to show: remembered as read, added to the backlog, written to the text hook.
void NoteMessageShown(Player& player, int32_t number, const std::u32string& text);
// An option was picked: added to the backlog, written to the text hook.
void NoteOptionPicked(Player& player, const std::u32string& text);

// The record of messages read, beside the fallback saves: <data folder>/read-<game CRC>.dat. Loaded when
// the game is; a damaged record is ignored with a note. Saved (atomically) when it has changed, at the
// end of the program and with every save.
void LoadReadRecord(Player& player);
void SaveReadRecord(Player& player);
[[nodiscard]] std::vector<uint8_t> EncodeReadRecord(const std::vector<uint8_t>& bits);
[[nodiscard]] bool DecodeReadRecord(std::span<const uint8_t> bytes, std::vector<uint8_t>& bits);

// The JSON line of the text hook for a message (number >= 0) or a picked option (number < 0).
[[nodiscard]] std::string TextHookLine(int32_t number, const std::u32string& text);

}  // namespace corv
