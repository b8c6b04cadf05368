// The game file's fixed facts: where the header keeps what, where the script starts, and the limits of
// the tables the player builds from a file. Positions count from 1: position p is file offset p - 1, the
// way every position stored inside the file counts.
#pragma once

#include <cstdint>
#include <string_view>

namespace corv {

inline constexpr std::string_view kGameMagic = "CRVL";  // the file's first four bytes
inline constexpr int kHeaderSize = 36;
inline constexpr int kScriptStart = 37;  // the first instruction, right after the header

// Header fields: the positions of their 32-bit values.
inline constexpr int kPicturePoolField = 5;
inline constexpr int kBackgroundPoolField = 9;
inline constexpr int kMusicPoolField = 13;
inline constexpr int kChoicePoolField = 17;
inline constexpr int kMessagePoolField = 21;
inline constexpr int kLabelChainField = 25;
inline constexpr int kOptionChainField = 29;
inline constexpr int kMessageChainField = 33;

// The five pools in the order their fields stand in the header.
enum class Pool : uint8_t { kPicture, kBackground, kMusic, kChoice, kMessage };
inline constexpr int kPoolCount = 5;
inline constexpr int PoolField(Pool pool) {
  return kPicturePoolField + 4 * static_cast<int>(pool);
}

// The tables the player fills from a file.
inline constexpr int kMaxLabel = 10000;           // labels 1 to 10000 along the chain
inline constexpr int kMaxVariable = 10000;        // variables 0 to 10000
inline constexpr int kMaxMessage = 10000;         // message numbers 0 to 10000
inline constexpr int kMaxMessageEntries = 10000;  // message instructions loaded from the chain
inline constexpr int kMaxChoiceText = 50000;      // choice text numbers 0 to 50000
inline constexpr int kMaxChoiceEntries = 50000;   // option instructions loaded from the chain
inline constexpr int kChoiceSlots = 6;            // option slots 0 to 5
inline constexpr int kMaxName = 1000;             // picture, background and music names 0 to 1000

// The largest game file the player accepts; anything larger is refused before memory is spent on it.
inline constexpr int64_t kMaxGameFileBytes = 256 * 1024 * 1024;

}  // namespace corv
