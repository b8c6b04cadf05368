// The slot file's binary form: the header written around the payload, and the one routine that lays
// the payload out for both writing and reading (SyncPayload).
#include <cstring>
#include <iterator>
#include <sstream>

#include "interaction/save_game.h"
#include "interaction/save_serializer.h"
#include "platform/compression.h"

namespace corv {
namespace {

constexpr char kMagic[8] = {'C', 'R', 'V', 'L', 'S', 'A', 'V', 'E'};
constexpr size_t kHeaderBytes = sizeof(kMagic) + 4 + 4;  // magic, version, checksum
constexpr uint32_t kMaxRandomState = 16384;

uint32_t ReadU32At(std::span<const uint8_t> bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return v;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void SyncNames(Serializer& s, std::vector<std::u32string>& names) {
  s.ExactCount(names.size(), kMaxName + 1);
  if (!s.ok()) return;
  if (s.Loading()) names.assign(kMaxName + 1, std::u32string());
  for (std::u32string& name : names) {
    s.Text(name);
    if (!s.ok()) return;
  }
}

// Everything after the header, in file order. `version` is the file's format version (when writing, the
// current one); `data` is the game file the save belongs to. Refused as kOtherGame when the save names
// another game file; as kDamaged when anything is out of place.
Status SyncPayload(Serializer& s, uint32_t version, const GameData& data, SavedGame& game) {
  auto damaged = [] { return Fail(DescribeProblem(SaveFileProblem::kDamaged), SaveFileProblem::kDamaged); };
  const std::vector<uint8_t>& image = data.GameImage;
  uint32_t game_length = static_cast<uint32_t>(image.size());
  uint32_t game_crc = Crc32(image);
  s.U32(game_length);
  s.U32(game_crc);
  if (!s.ok()) return damaged();
  if (game_length != image.size() || game_crc != Crc32(image)) {
    return Fail(DescribeProblem(SaveFileProblem::kOtherGame), SaveFileProblem::kOtherGame);
  }

  s.ExactCount(game.Variables.size(), kMaxVariable + 1);
  if (s.Loading() && s.ok()) game.Variables.resize(kMaxVariable + 1);
  for (int32_t& v : game.Variables) s.I32(v);
  s.U8(game.TextMode);
  s.U8(game.TextWait);
  s.Chars(game.random_state, kMaxRandomState);
  s.I32In(game.BackgroundNumber, 0, kMaxName);
  s.I32In(game.Layer1Number, 0, kMaxName);
  s.I32In(game.Layer3Number, 0, kMaxName);
  s.I32In(game.MusicNumber, 0, kMaxName);
  SyncNames(s, game.BackgroundNames);
  SyncNames(s, game.MusicNames);
  SyncNames(s, game.PictureNames);
  const int32_t image_end = static_cast<int32_t>(image.size()) + 1;
  s.I32In(game.BackgroundNameCursor, 0, image_end);
  s.I32In(game.MusicNameCursor, 0, image_end);
  s.I32In(game.PictureNameCursor, 0, image_end);

  ResumePoint& resume = game.resume;
  int32_t kind = static_cast<int32_t>(resume.kind);
  s.I32In(kind, 1, 2);
  resume.kind = static_cast<ResumePoint::Kind>(kind);
  s.I32(resume.position);
  if (s.Loading() && OpcodeAt(data, resume.position) != ResumeOpcode(resume.kind)) s.Fail();
  for (ChoiceEntry& entry : resume.choices) {
    s.Text(entry.Text);
    s.I32In(entry.Position, 0, image_end);
  }
  s.I32In(resume.TextCursorX, 0, 4096);
  s.I32In(resume.TextCursorY, 0, 4096);
  const bool choice = resume.kind == ResumePoint::Kind::kChoice;
  s.Picture(resume.page_layer, true, kScreenWidth, kScreenHeight);
  s.Picture(resume.work, choice, kScreenWidth, kScreenHeight);
  s.Picture(resume.message_save, choice, kScreenWidth, kScreenHeight);
  if (version >= 2) {
    const uint32_t entries = s.Count(game.backlog.size(), Comforts::kBacklogLength);
    if (s.Loading()) game.backlog.resize(entries);
    for (BacklogEntry& entry : game.backlog) {
      s.Flag(entry.picked_option);
      s.Text(entry.text);
      if (!s.ok()) break;
    }
  }
  if (s.Loading() && s.ok()) {
    std::istringstream random(game.random_state);
    std::mt19937 generator;
    if (!(random >> generator)) s.Fail();
  }
  if (!s.ok() || (s.Loading() && !s.AtEnd())) return damaged();
  return {};
}

}  // namespace

const char* DescribeProblem(SaveFileProblem problem) {
  // In the order of SaveFileProblem.
  static constexpr const char* kTexts[] = {"no problem",
                                           "the file cannot be read",
                                           "not a saved game",
                                           "saved by a newer version of the player",
                                           "saved from another game, or another release of this game",
                                           "the file is damaged",
                                           "there is no such file",
                                           "the save folder cannot be read"};
  const auto index = static_cast<size_t>(problem);
  return index < std::size(kTexts) ? kTexts[index] : "unknown problem";
}

std::vector<uint8_t> EncodeSavedGame(const Player& player, const SavedGame& game) {
  // The routine that both writes and reads takes the fields by reference; writing only reads them, from
  // a copy here (its pictures share their pixels with the game's), and cannot fail.
  SavedGame fields = game;
  Serializer s;
  static_cast<void>(SyncPayload(s, kSaveFormatVersion, player.game, fields));
  const std::vector<uint8_t>& payload = s.bytes();
  std::vector<uint8_t> file(kMagic, kMagic + sizeof(kMagic));
  PutU32(file, kSaveFormatVersion);
  PutU32(file, Crc32(payload));
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

Result<SavedGame> DecodeSavedGame(const Player& player, std::span<const uint8_t> bytes) {
  auto refuse = [](SaveFileProblem problem) { return Fail(DescribeProblem(problem), problem); };
  if (bytes.size() < sizeof(kMagic) || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) {
    return refuse(SaveFileProblem::kNotASaveFile);
  }
  if (bytes.size() < kHeaderBytes) return refuse(SaveFileProblem::kDamaged);
  const uint32_t version = ReadU32At(bytes, sizeof(kMagic));
  if (version > kSaveFormatVersion) return refuse(SaveFileProblem::kNewerVersion);
  if (version < 1) return refuse(SaveFileProblem::kDamaged);
  const auto payload = bytes.subspan(kHeaderBytes);
  if (ReadU32At(bytes, sizeof(kMagic) + 4) != Crc32(payload)) return refuse(SaveFileProblem::kDamaged);

  Serializer s(payload);
  SavedGame game;
  if (Status read = SyncPayload(s, version, player.game, game); !read) return read.failure();
  return game;
}

}  // namespace corv
