#include "interaction/save_game.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "format/image_reader.h"
#include "format/opcodes.h"
#include "media/music.h"
#include "media/pictures.h"
#include "media/resources.h"
#include "platform/compression.h"

namespace corv {
namespace {

constexpr char kMagic[8] = {'C', 'R', 'V', 'L', 'S', 'A', 'V', 'E'};
constexpr size_t kHeaderBytes = sizeof(kMagic) + 4 + 4;  // magic, version, checksum
constexpr uint32_t kMaxTextLength = 65535;               // longer than any name or option text can be
constexpr uint32_t kMaxRandomState = 16384;

class Writer {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(std::span<const uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
  void Text(const std::u32string& s) {
    U32(static_cast<uint32_t>(s.size()));
    for (char32_t c : s) U32(static_cast<uint32_t>(c));
  }
  void Picture(const Surface& s) {
    I32(s.Width());
    I32(s.Height());
    I32(s.Depth());
    U8(s.colour_key.has_value() ? 1 : 0);
    U32(s.colour_key.value_or(0));
    if (s.Empty()) return;
    const std::vector<uint8_t> packed = Compress({s.Data(), s.SizeBytes()});
    U32(static_cast<uint32_t>(packed.size()));
    Bytes(packed);
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads the payload; any read past the end, or any value out of its range, marks the whole file damaged.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return pos_ == bytes_.size(); }
  void Fail() { ok_ = false; }

  uint8_t U8() {
    if (!Need(1)) return 0;
    return bytes_[pos_++];
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes_[pos_++]) << (8 * i);
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  // An int32 that must lie in lo..hi.
  int32_t I32In(int32_t lo, int32_t hi) {
    const int32_t v = I32();
    if (v < lo || v > hi) Fail();
    return ok_ ? v : lo;
  }
  std::span<const uint8_t> Bytes(size_t n) {
    if (!Need(n)) return {};
    auto out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  std::u32string Text() {
    const uint32_t n = U32();
    if (n > kMaxTextLength || !Need(static_cast<size_t>(n) * 4)) {
      Fail();
      return {};
    }
    std::u32string s(n, U'\0');
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t c = U32();
      if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) Fail();
      s[i] = static_cast<char32_t>(c);
    }
    return s;
  }
  // A 640 x 480 picture in one of the three depths, or nothing when `required` is false and it is empty.
  Surface Picture(bool required) {
    const int32_t width = I32(), height = I32(), depth = I32();
    const bool keyed = U8() != 0;
    const uint32_t key = U32();
    if (width == 0 && height == 0 && !required) return Surface();
    if (width != kScreenWidth || height != kScreenHeight || (depth != 16 && depth != 24 && depth != 32)) {
      Fail();
      return Surface();
    }
    Surface surface(width, height, depth);
    if (keyed) surface.colour_key = key;
    const uint32_t packed_size = U32();
    auto packed = Bytes(packed_size);
    if (!ok_) return Surface();
    auto pixels = Uncompress(packed, surface.SizeBytes());
    if (!pixels) {
      Fail();
      return Surface();
    }
    std::memcpy(surface.Data(), pixels->data(), pixels->size());
    return surface;
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || bytes_.size() - pos_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

uint32_t ReadU32At(std::span<const uint8_t> bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
  return v;
}

void WriteNames(Writer& w, const std::vector<std::u32string>& names) {
  w.U32(static_cast<uint32_t>(names.size()));
  for (const auto& name : names) w.Text(name);
}

std::vector<std::u32string> ReadNames(Reader& r) {
  if (r.U32() != kMaxName + 1) r.Fail();
  std::vector<std::u32string> names;
  if (!r.ok()) return names;
  names.reserve(kMaxName + 1);
  for (int i = 0; i <= kMaxName && r.ok(); ++i) names.push_back(r.Text());
  return names;
}

// The opcode byte at a script position, or -1 outside the script.
int OpcodeAt(const GameData& game, int32_t position) {
  const ImageReader image(game.GameImage);
  if (position < kScriptStart || !image.Has(position, 1)) return -1;
  return image.Byte(position);
}

// Copies a saved picture onto a surface of the current depth. Pixels of the saved colour key become the
// destination's key; other pixels go through 8-bit red, green and blue when the depths differ.
void RestorePicture(const Surface& saved, Surface& into) {
  if (saved.Empty() || into.Empty()) return;
  const bool same_key = saved.colour_key == into.colour_key;
  if (saved.Depth() == into.Depth() && same_key) {
    std::memcpy(into.Data(), saved.Data(), std::min(saved.SizeBytes(), into.SizeBytes()));
    return;
  }
  const int width = std::min(saved.Width(), into.Width()), height = std::min(saved.Height(), into.Height());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = saved.ReadPixel(x, y);
      if (saved.colour_key && p == *saved.colour_key && into.colour_key) {
        into.WritePixel(x, y, *into.colour_key);
        continue;
      }
      uint32_t out = p;
      if (saved.Depth() != into.Depth()) {
        uint8_t r, g, b;
        UnmapPixel(saved.Depth(), p, r, g, b);
        out = MapColour(into.Depth(), static_cast<uint32_t>(r) | (g << 8) | (b << 16));
      }
      // A converted pixel that happens to equal the key would turn transparent; nudge it one step.
      if (into.colour_key && out == *into.colour_key) out ^= 1;
      into.WritePixel(x, y, out);
    }
  }
}

// Loads a picture by number into its slot, as the picture commands do; the number becomes 0 when the
// picture's file is no longer there, so a stale slot is never drawn. The slot is loaded even when the
// number is the one showing: the restored name tables may give that number another file.
void RestoreSlotPicture(Player& player, int32_t number, int32_t& current,
                        const std::vector<std::u32string>& names, int slot) {
  current = 0;
  if (number <= 0 || number > kMaxName) return;
  if (auto path = FindResource(player, names[number], ".BMP")) {
    LoadPictureSlot(player, *path, slot);
    current = number;
  }
}

}  // namespace

const char* DescribeProblem(SaveFileProblem problem) {
  switch (problem) {
    case SaveFileProblem::kNone:
      return "no problem";
    case SaveFileProblem::kUnreadable:
      return "the file cannot be read";
    case SaveFileProblem::kNotASaveFile:
      return "not a saved game";
    case SaveFileProblem::kNewerVersion:
      return "saved by a newer version of the player";
    case SaveFileProblem::kOtherGame:
      return "saved from another game, or another release of this game";
    case SaveFileProblem::kDamaged:
      return "the file is damaged";
  }
  return "unknown problem";
}

void NoteResumePoint(Player& player, ResumePoint::Kind kind) {
  const int32_t position = player.script.ScriptPosition;
  const int opcode = kind == ResumePoint::Kind::kMessage ? op::kMessage : op::kWaitChoice;
  if (kind == ResumePoint::Kind::kNone || OpcodeAt(player.game, position) != opcode) return;
  ResumePoint& resume = player.menu.resume;
  Screen& screen = player.screen;
  resume.kind = kind;
  resume.position = position;
  resume.choices = player.choices.Choices;
  resume.TextCursorX = player.text.TextCursorX;
  resume.TextCursorY = player.text.TextCursorY;
  resume.page_layer = screen.PictureSurfaces[5];
  resume.backlog_count = player.comforts.backlog_added;
  if (opcode == op::kWaitChoice) {
    resume.work = screen.WorkSurface;
    resume.message_save = screen.MessageSaveSurface;
  } else {
    // A message rebuilds its whole frame from the pictures.
    resume.work = Surface();
    resume.message_save = Surface();
  }
}

std::optional<SavedGame> CaptureGame(const Player& player) {
  if (player.menu.resume.kind == ResumePoint::Kind::kNone) return std::nullopt;
  SavedGame game;
  game.Variables = player.script.Variables;
  game.TextMode = player.script.TextMode;
  game.TextWait = player.script.TextWait;
  std::ostringstream random;
  random << player.script.Random;
  game.random_state = random.str();
  game.BackgroundNumber = player.screen.BackgroundNumber;
  game.Layer1Number = player.screen.Layer1Number;
  game.Layer3Number = player.screen.Layer3Number;
  game.MusicNumber = player.music.MusicNumber;
  game.BackgroundNames = player.game.BackgroundNames;
  game.MusicNames = player.game.MusicNames;
  game.PictureNames = player.game.PictureNames;
  game.BackgroundNameCursor = player.game.BackgroundNameCursor;
  game.MusicNameCursor = player.game.MusicNameCursor;
  game.PictureNameCursor = player.game.PictureNameCursor;
  game.resume = player.menu.resume;
  // The backlog without what was added after the resume point: a message resumed is shown, and added,
  // again.
  const std::deque<BacklogEntry>& backlog = player.comforts.backlog;
  const uint64_t later = player.comforts.backlog_added - game.resume.backlog_count;
  const size_t kept = backlog.size() - static_cast<size_t>(std::min<uint64_t>(later, backlog.size()));
  game.backlog.assign(backlog.begin(), backlog.begin() + static_cast<std::ptrdiff_t>(kept));
  return game;
}

std::vector<uint8_t> EncodeSavedGame(const Player& player, const SavedGame& game) {
  Writer w;
  const auto& image = player.game.GameImage;
  w.U32(static_cast<uint32_t>(image.size()));
  w.U32(Crc32(image));
  w.U32(static_cast<uint32_t>(game.Variables.size()));
  for (int32_t v : game.Variables) w.I32(v);
  w.U8(game.TextMode);
  w.U8(game.TextWait);
  w.U32(static_cast<uint32_t>(game.random_state.size()));
  w.Bytes({reinterpret_cast<const uint8_t*>(game.random_state.data()), game.random_state.size()});
  w.I32(game.BackgroundNumber);
  w.I32(game.Layer1Number);
  w.I32(game.Layer3Number);
  w.I32(game.MusicNumber);
  WriteNames(w, game.BackgroundNames);
  WriteNames(w, game.MusicNames);
  WriteNames(w, game.PictureNames);
  w.I32(game.BackgroundNameCursor);
  w.I32(game.MusicNameCursor);
  w.I32(game.PictureNameCursor);
  const ResumePoint& resume = game.resume;
  w.I32(static_cast<int32_t>(resume.kind));
  w.I32(resume.position);
  for (const ChoiceEntry& entry : resume.choices) {
    w.Text(entry.Text);
    w.I32(entry.Position);
  }
  w.I32(resume.TextCursorX);
  w.I32(resume.TextCursorY);
  w.Picture(resume.page_layer);
  w.Picture(resume.work);
  w.Picture(resume.message_save);
  w.U32(static_cast<uint32_t>(game.backlog.size()));
  for (const BacklogEntry& entry : game.backlog) {
    w.U8(entry.picked_option ? 1 : 0);
    w.Text(entry.text);
  }

  const std::vector<uint8_t>& payload = w.bytes();
  std::vector<uint8_t> file(kMagic, kMagic + sizeof(kMagic));
  Writer header;
  header.U32(kSaveFormatVersion);
  header.U32(Crc32(payload));
  file.insert(file.end(), header.bytes().begin(), header.bytes().end());
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

std::optional<SavedGame> DecodeSavedGame(const Player& player, std::span<const uint8_t> bytes,
                                         SaveFileProblem* problem) {
  auto refuse = [&](SaveFileProblem p) -> std::optional<SavedGame> {
    if (problem) *problem = p;
    return std::nullopt;
  };
  if (bytes.size() < sizeof(kMagic) || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0) {
    return refuse(SaveFileProblem::kNotASaveFile);
  }
  if (bytes.size() < kHeaderBytes) return refuse(SaveFileProblem::kDamaged);
  const uint32_t version = ReadU32At(bytes, sizeof(kMagic));
  if (version > kSaveFormatVersion) return refuse(SaveFileProblem::kNewerVersion);
  if (version < 1) return refuse(SaveFileProblem::kDamaged);
  const auto payload = bytes.subspan(kHeaderBytes);
  if (ReadU32At(bytes, sizeof(kMagic) + 4) != Crc32(payload)) return refuse(SaveFileProblem::kDamaged);

  const GameData& data = player.game;
  Reader r(payload);
  const uint32_t game_length = r.U32();
  const uint32_t game_crc = r.U32();
  if (!r.ok()) return refuse(SaveFileProblem::kDamaged);
  if (game_length != data.GameImage.size() || game_crc != Crc32(data.GameImage)) {
    return refuse(SaveFileProblem::kOtherGame);
  }

  SavedGame game;
  if (r.U32() != kMaxVariable + 1) r.Fail();
  if (r.ok()) {
    game.Variables.resize(kMaxVariable + 1);
    for (int32_t& v : game.Variables) v = r.I32();
  }
  game.TextMode = r.U8();
  game.TextWait = r.U8();
  const uint32_t random_size = r.U32();
  if (random_size > kMaxRandomState) r.Fail();
  auto random_text = r.Bytes(random_size);
  game.random_state.assign(random_text.begin(), random_text.end());
  game.BackgroundNumber = r.I32In(0, kMaxName);
  game.Layer1Number = r.I32In(0, kMaxName);
  game.Layer3Number = r.I32In(0, kMaxName);
  game.MusicNumber = r.I32In(0, kMaxName);
  game.BackgroundNames = ReadNames(r);
  game.MusicNames = ReadNames(r);
  game.PictureNames = ReadNames(r);
  const int32_t image_end = static_cast<int32_t>(data.GameImage.size()) + 1;
  game.BackgroundNameCursor = r.I32In(0, image_end);
  game.MusicNameCursor = r.I32In(0, image_end);
  game.PictureNameCursor = r.I32In(0, image_end);

  ResumePoint& resume = game.resume;
  const int32_t kind = r.I32In(1, 2);
  resume.kind = static_cast<ResumePoint::Kind>(kind);
  resume.position = r.I32();
  const int wanted_opcode = resume.kind == ResumePoint::Kind::kMessage ? op::kMessage : op::kWaitChoice;
  if (OpcodeAt(data, resume.position) != wanted_opcode) r.Fail();
  for (ChoiceEntry& entry : resume.choices) {
    entry.Text = r.Text();
    entry.Position = r.I32In(0, image_end);
  }
  resume.TextCursorX = r.I32In(0, 4096);
  resume.TextCursorY = r.I32In(0, 4096);
  const bool choice = resume.kind == ResumePoint::Kind::kChoice;
  resume.page_layer = r.Picture(true);
  resume.work = r.Picture(choice);
  resume.message_save = r.Picture(choice);
  if (version >= 2) {
    const uint32_t entries = r.U32();
    if (entries > Comforts::kBacklogLength) r.Fail();
    for (uint32_t i = 0; i < entries && r.ok(); ++i) {
      const uint8_t picked = r.U8();
      if (picked > 1) r.Fail();
      game.backlog.push_back(BacklogEntry{r.Text(), picked == 1});
    }
  }
  if (r.ok()) {
    std::istringstream random(game.random_state);
    std::mt19937 generator;
    if (!(random >> generator)) r.Fail();
  }
  if (!r.ok() || !r.AtEnd()) return refuse(SaveFileProblem::kDamaged);
  if (problem) *problem = SaveFileProblem::kNone;
  return game;
}

bool WriteSaveFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
  return ReplaceFileKeepingBackup(path, path + ".bak", bytes, error);
}

void ApplySavedGame(Player& player, SavedGame&& game) {
  Screen& screen = player.screen;
  GameData& data = player.game;
  ScriptState& script = player.script;
  MusicState& music = player.music;
  // The piece now playing goes on when the save plays the same one.
  const bool same_music = game.MusicNumber == music.MusicNumber &&
                          game.MusicNames[game.MusicNumber] == data.MusicNames[music.MusicNumber];
  script.Variables = std::move(game.Variables);
  script.TextMode = game.TextMode;
  script.TextWait = game.TextWait;
  std::istringstream random(game.random_state);
  random >> script.Random;
  data.BackgroundNames = std::move(game.BackgroundNames);
  data.MusicNames = std::move(game.MusicNames);
  data.PictureNames = std::move(game.PictureNames);
  data.BackgroundNameCursor = game.BackgroundNameCursor;
  data.MusicNameCursor = game.MusicNameCursor;
  data.PictureNameCursor = game.PictureNameCursor;

  RestoreSlotPicture(player, game.BackgroundNumber, screen.BackgroundNumber, data.BackgroundNames, 4);
  RestoreSlotPicture(player, game.Layer1Number, screen.Layer1Number, data.PictureNames, 1);
  RestoreSlotPicture(player, game.Layer3Number, screen.Layer3Number, data.PictureNames, 3);

  if (!same_music) {
    std::optional<std::string> path;
    if (game.MusicNumber > 0) path = FindResource(player, data.MusicNames[game.MusicNumber], ".MID");
    PlayMusic(player, path.value_or(""));
    music.MusicNumber = path ? game.MusicNumber : 0;
  }

  ResumePoint& resume = game.resume;
  RestorePicture(resume.page_layer, screen.PictureSurfaces[5]);
  RestorePicture(resume.work, screen.WorkSurface);
  RestorePicture(resume.message_save, screen.MessageSaveSurface);
  player.text.TextCursorX = resume.TextCursorX;
  player.text.TextCursorY = resume.TextCursorY;
  player.choices.Choices = resume.choices;
  script.ScriptPosition = resume.position;
  player.input.LeftClicked = false;
  player.input.RightClicked = false;
  player.comforts.backlog.assign(game.backlog.begin(), game.backlog.end());
  player.comforts.backlog_added = player.comforts.backlog.size();
  resume.backlog_count = player.comforts.backlog_added;
  player.menu.resume = std::move(resume);
}

}  // namespace corv
