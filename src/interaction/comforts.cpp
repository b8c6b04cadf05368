#include "interaction/comforts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "interaction/save_game.h"
#include "interaction/slot_screen.h"
#include "platform/compression.h"
#include "platform/file_store.h"
#include "platform/text_codec.h"

namespace corv {
namespace {

constexpr char kReadMagic[8] = {'C', 'R', 'V', 'L', 'R', 'E', 'A', 'D'};
constexpr uint32_t kReadVersion = 1;
constexpr size_t kReadBytes = kMaxMessage / 8 + 1;
constexpr size_t kReadFileBytes = sizeof(kReadMagic) + 4 + 4 + kReadBytes + 4;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(std::span<const uint8_t> bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return v;
}

void WriteTextHook(Player& player, int32_t number, const std::u32string& text) {
  std::FILE* out = player.comforts.text_out;
  if (!out) return;
  const std::string line = TextHookLine(number, text);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

void AddToBacklog(Comforts& comforts, const std::u32string& text, bool picked_option) {
  comforts.backlog.push_back(BacklogEntry{text, picked_option});
  ++comforts.backlog_added;
  while (comforts.backlog.size() > Comforts::kBacklogLength) comforts.backlog.pop_front();
}

std::string ReadRecordPath(const Player& player) {
  char name[32];
  std::snprintf(name, sizeof(name), "read-%08x.dat", Crc32(player.game.GameImage));
  return DataFolder(player) + name;
}

}  // namespace

void ClearWaitInput(InputState& input) {
  input.LeftClicked = false;
  input.RightClicked = false;
  input.PendingKey = WaitKey::kNone;
  input.PointerMoved = false;
}

WaitKey TakeKey(InputState& input) {
  return std::exchange(input.PendingKey, WaitKey::kNone);
}

int KeyboardRow(Player& player, int& key_row, int rows, int pointer_row, bool* picked) {
  InputState& input = player.input;
  if (picked) *picked = false;
  if (input.PointerMoved) {
    input.PointerMoved = false;
    key_row = -1;
  }
  if (rows <= 0) return -1;
  int step = 0;
  switch (input.PendingKey) {
    case WaitKey::kUp:
    case WaitKey::kWheelUp:
      step = -1;
      break;
    case WaitKey::kDown:
    case WaitKey::kWheelDown:
      step = 1;
      break;
    case WaitKey::kConfirm: {
      input.PendingKey = WaitKey::kNone;
      const int lit = key_row >= 0 ? key_row : pointer_row;
      if (picked) *picked = lit >= 0;
      return lit;
    }
    default:
      return key_row >= 0 ? key_row : pointer_row;
  }
  input.PendingKey = WaitKey::kNone;
  const int from = key_row >= 0 ? key_row : pointer_row;
  key_row = from < 0 ? (step > 0 ? 0 : rows - 1) : std::clamp(from + step, 0, rows - 1);
  return key_row;
}

bool Skipping(const Player& player) {
  const Comforts& c = player.comforts;
  return !c.strict && (c.ctrl_held || c.skip_mode) && c.message_number >= 0 &&
         (c.message_was_read || c.skip_unread);
}

void StopSkipWhereItMustStop(Player& player, bool choice) {
  Comforts& c = player.comforts;
  if (c.skip_mode && (choice || !(c.message_was_read || c.skip_unread))) c.skip_mode = false;
}

uint32_t AutoDelay(const Player& player) {
  const Comforts& c = player.comforts;
  const auto characters =
      std::count_if(c.message_text.begin(), c.message_text.end(), [](char32_t ch) { return ch >= U' '; });
  return c.auto_delay_ms + c.auto_ms_per_character * static_cast<uint32_t>(characters);
}

void NoteMessageShown(Player& player, int32_t number, const std::u32string& text) {
  Comforts& c = player.comforts;
  c.message_number = number;
  c.message_text = text;
  c.message_was_read = false;
  if (number >= 0 && number <= kMaxMessage) {
    uint8_t& byte = c.read_bits[static_cast<size_t>(number) / 8];
    const uint8_t bit = static_cast<uint8_t>(1u << (number % 8));
    c.message_was_read = (byte & bit) != 0;
    if (!c.message_was_read) {
      byte |= bit;
      c.read_changed = true;
    }
  }
  AddToBacklog(c, text, false);
  WriteTextHook(player, number, text);
}

void NoteOptionPicked(Player& player, const std::u32string& text) {
  AddToBacklog(player.comforts, text, true);
  WriteTextHook(player, -1, text);
}

std::vector<uint8_t> EncodeReadRecord(const std::vector<uint8_t>& bits) {
  std::vector<uint8_t> out(kReadMagic, kReadMagic + sizeof(kReadMagic));
  PutU32(out, kReadVersion);
  PutU32(out, static_cast<uint32_t>(bits.size()));
  out.insert(out.end(), bits.begin(), bits.end());
  PutU32(out, Crc32(bits));
  return out;
}

bool DecodeReadRecord(std::span<const uint8_t> bytes, std::vector<uint8_t>& bits) {
  if (bytes.size() != kReadFileBytes || std::memcmp(bytes.data(), kReadMagic, sizeof(kReadMagic)) != 0) {
    return false;
  }
  const size_t at = sizeof(kReadMagic);
  if (GetU32(bytes, at) != kReadVersion || GetU32(bytes, at + 4) != kReadBytes) return false;
  const auto stored = bytes.subspan(at + 8, kReadBytes);
  if (GetU32(bytes, at + 8 + kReadBytes) != Crc32(stored)) return false;
  bits.assign(stored.begin(), stored.end());
  return true;
}

void LoadReadRecord(Player& player) {
  Comforts& c = player.comforts;
  c.read_record_path = ReadRecordPath(player);
  const auto bytes = ReadWholeFile(c.read_record_path, kReadFileBytes);
  if (!bytes && bytes.reason<ReadFailure>() == ReadFailure::kMissing) return;
  if (!bytes || !DecodeReadRecord(*bytes, c.read_bits)) {
    std::fprintf(stderr, "corvalline: %s is damaged and was ignored; messages are counted as unread\n",
                 c.read_record_path.c_str());
    c.read_bits.assign(kReadBytes, 0);
  }
}

void SaveReadRecord(Player& player) {
  Comforts& c = player.comforts;
  if (!c.read_changed || c.read_record_path.empty()) return;
  c.read_changed = false;
  const std::string& path = c.read_record_path;
  static_cast<void>(MakeFolders(path.substr(0, path.rfind('/') + 1)));  // else the write below fails
  if (const Status written = WriteFileAtomically(path, EncodeReadRecord(c.read_bits)); !written) {
    std::fprintf(stderr, "corvalline: the record of messages read was not kept: %s\n",
                 written.error().c_str());
  }
}

std::string TextHookLine(int32_t number, const std::u32string& text) {
  std::string line = number >= 0
                         ? "{\"kind\":\"message\",\"number\":" + std::to_string(number) + ",\"text\":\""
                         : std::string("{\"kind\":\"choice\",\"text\":\"");
  for (const char c : ToUtf8(text)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      line += '\\';
      line += c;
    } else if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else if (u < 0x20 || u == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
      line += escaped;
    } else {
      line += c;
    }
  }
  return line + "\"}\n";
}

}  // namespace corv
