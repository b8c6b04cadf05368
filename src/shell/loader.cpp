// Loading the game file.
//
// The header (36 bytes) holds the pool positions and the heads of three chains threaded through the
// script: labels (opcode 5), messages (130) and choice options (131). Each chained instruction's 4 bytes
// after its opcode hold the position of the next one's link field, or -1 after the last. The message
// and choice tables record where each text lies in its pool, checked here, and the texts are converted when
// shown: converted texts take up to four times the bytes they come from, so converting them all here would
// make a game file of text cost five times its size. The name pools stay in the image and are read by the
// name-defining commands as they run.
//
// Every read goes through the format's checked reader, so a link or pool position outside the file stops the
// load with a message instead of reading past the image. A 32-bit link whose top byte is 0x80..0xFE is
// neither a position nor the end marker and is refused as well.
#include "shell/loader.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/operands.h"
#include "format/image_reader.h"
#include "format/opcodes.h"
#include "media/transfers.h"
#include "platform/clock.h"
#include "platform/glyphs.h"

namespace corv {
namespace {

// Raised inside BuildTables for a value the format does not allow; caught there like ImageBoundsError.
struct FormatError {
  std::string what;
};

// A chain link: a position, or -1 after the last instruction. Other negative values are not links.
// `chain` names whose chain it is: "label", "message", "choice".
int32_t ReadLink(const ImageReader& image, int64_t position, const char* chain) {
  const int32_t link = image.Int32(position);
  if (link < -1) {
    throw FormatError{std::string(chain) + " chain link at position " + std::to_string(position) + " holds " +
                      std::to_string(link) + ", which is neither a position nor the end marker"};
  }
  return link;
}

// The generator behind the random operation: seeded from the player's clock when it is the virtual clock
// of a headless run (so a replay gives the same numbers on every machine), otherwise from the time of day.
void SeedRandom(Player& player) {
  uint32_t seed = 0;
  if (player.services.Mode() == RunMode::kReplay) {
    seed = player.services.clock->TickCount();
  } else {
    seed = static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
  }
  player.script.Random.seed(seed);
}

void ClearTables(Player& player) {
  GameData& game = player.game;
  game.LabelTable.assign(kMaxLabel + 1, 0);
  game.MessageTexts.Clear();
  game.ChoiceTexts.Clear();
  game.BackgroundNames.assign(kMaxName + 1, std::u32string());
  game.MusicNames.assign(kMaxName + 1, std::u32string());
  game.PictureNames.assign(kMaxName + 1, std::u32string());
  player.text.TextColour = 0xFFFFFF;
  player.text.TextShadowColour = 0x000000;
  SeedRandom(player);
}

// A chain of text instructions: where its pool of text and its first link lie in the header, and what
// the loader calls it and its instructions when something is wrong there.
struct TextChain {
  int64_t pool_field;
  int64_t chain_field;
  uint8_t opcode;
  int max_entries;
  const char* noun;  // "message": the message pool, the message chain
  const char* item;  // what each instruction is called after the noun
};

constexpr TextChain kMessageChain{kMessagePoolField,  kMessageChainField, op::kMessage,
                                  kMaxMessageEntries, "message",          "instruction"};
constexpr TextChain kChoiceChain{kChoicePoolField,  kOptionChainField, op::kOption,
                                 kMaxChoiceEntries, "choice",          "option"};

// Where the loader is reading: kept as numbers while all goes well (tens of thousands of entries), put
// into words only when something is wrong there.
struct Place {
  enum class What { kHeader, kLabel, kPool, kLink, kEntry, kNames };
  What what = What::kHeader;
  int64_t number = 0;                // kLabel: the label number
  int64_t position = 0;              // the link read, or the instruction's position
  const TextChain* chain = nullptr;  // kPool, kLink, kEntry: the chain read
  int64_t length = -1;               // kEntry: the text's length once read (-1 before)
  int64_t cursor = 0;                // ... and its pool position

  std::string Describe() const {
    const std::string at = std::to_string(position);
    const std::string noun = chain ? chain->noun : "";
    std::string text;
    if (length >= 0) {
      text = ": its text of " + std::to_string(length) + " bytes at pool position " + std::to_string(cursor);
    }
    switch (what) {
      case What::kHeader:
        return "the header";
      case What::kLabel:
        return "label " + std::to_string(number) + " (link read at position " + at + ")";
      case What::kPool:
        return "the " + noun + " pool position (header position " + std::to_string(chain->pool_field) + ")";
      case What::kLink:
        return "the " + noun + " chain link at position " + at;
      case What::kEntry:
        return "the " + noun + " " + chain->item + " at position " + at + text;
      case What::kNames:
        return "the name pool positions (header positions 5 to 16)";
    }
    return "the file";
  }
};

// Label n's entry is the link position of the n-th label along the chain; the first negative link read
// is stored and ends the chain. At most 10000 labels are numbered.
void BuildLabelTable(GameData& game, Place& place) {
  const ImageReader image = Image(game);
  game.LabelTable[0] = kLabelChainField;
  for (int n = 1; n <= kMaxLabel; ++n) {
    place = Place{Place::What::kLabel, n, game.LabelTable[n - 1]};
    game.LabelTable[n] = ReadLink(image, game.LabelTable[n - 1], "label");
    if (game.LabelTable[n] < 0) break;
  }
}

// Where one instruction's text goes: its entry in the table and its length in the pool.
struct TextEntry {
  int32_t index;
  int64_t length;
};

// Follows `chain` from its first link, giving each instruction to `entry`, which checks it and says
// where its text goes; the texts lie back to back in the pool, in the order of the chain.
template <class Entry>
void BuildTextTable(GameData& game, Place& place, const TextChain& chain, TextTable& table, Entry entry) {
  const ImageReader image = Image(game);
  place = Place{Place::What::kPool, 0, 0, &chain};
  int64_t cursor = image.Int32(chain.pool_field);
  int64_t link = chain.chain_field;
  for (int i = 0; i < chain.max_entries; ++i) {
    place = Place{Place::What::kLink, 0, link, &chain};
    link = ReadLink(image, link, chain.noun);
    if (link < 1) break;
    place = Place{Place::What::kEntry, 0, link - 1, &chain};
    const TextEntry text = entry(Instruction(image, link - 1, chain.opcode));
    place.length = text.length;
    place.cursor = cursor;
    table.Set(text.index, TextSpanAt(game, cursor, text.length));
    cursor += text.length;
  }
}

void BuildMessageTexts(GameData& game, Place& place) {
  BuildTextTable(game, place, kMessageChain, game.MessageTexts, [&place](const Instruction& in) {
    const int32_t number = in[Field::kNumber];
    const int32_t length = in[Field::kLength];
    if (number < 0 || number > kMaxMessage) {
      throw FormatError{place.Describe() + ": message number " + std::to_string(number) +
                        " is outside 0 to 10000"};
    }
    if (length < 0) {
      throw FormatError{place.Describe() + ": text length " + std::to_string(length) + " is negative"};
    }
    return TextEntry{number, length};
  });
}

void BuildChoiceTexts(GameData& game, Place& place) {
  BuildTextTable(game, place, kChoiceChain, game.ChoiceTexts, [&place](const Instruction& in) {
    const int32_t number = in[Field::kNumber];
    const auto slot = static_cast<uint8_t>(in[Field::kSlot]);
    const auto length = static_cast<uint8_t>(in[Field::kLength]);
    if (number < 0 || number > kMaxChoiceText) {
      throw FormatError{place.Describe() + ": text number " + std::to_string(number) +
                        " is outside 0 to 50000"};
    }
    if (slot >= kChoiceSlots) {
      throw FormatError{place.Describe() + ": slot " + std::to_string(slot) + " is above 5"};
    }
    return TextEntry{number * kChoiceSlots + slot, length};
  });
}

void ReadNameCursors(GameData& game, Place& place) {
  const ImageReader image = Image(game);
  place = Place{Place::What::kNames};
  game.BackgroundNameCursor = image.Int32(kBackgroundPoolField);
  game.MusicNameCursor = image.Int32(kMusicPoolField);
  game.PictureNameCursor = image.Int32(kPicturePoolField);
}

// The whole file, unless it cannot be read or is too large.
Result<std::vector<uint8_t>> ReadGameFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return Fail(path + ": cannot open the game file");
  if (info.st_size > kMaxGameFileBytes) {
    return Fail(path + ": the file is " + std::to_string(info.st_size) + " bytes, more than the " +
                std::to_string(kMaxGameFileBytes) + " a game file may have");
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) ||
      in.peek() != std::char_traits<char>::eof()) {
    return Fail(path + ": cannot read the game file");
  }
  return bytes;
}

}  // namespace

void ShowLoadingScreen(Player& player) {
  Screen& screen = player.screen;
  Surface& work = screen.WorkSurface;
  screen.TextFont.bold = true;
  work.font = screen.TextFont;
  if (!work.Empty()) {
    // From white at the top to dark blue (16, 16, 96) on the bottom row; the 481st line is clipped.
    for (int y = 0; y <= kScreenHeight; ++y) {
      const uint32_t red = 255 - y / 2, green = 255 - y / 2, blue = 255 - y / 3;
      work.fore_colour = red | (green << 8) | (blue << 16);
      DrawLine(work, 0, y, kScreenWidth, y);
    }
    work.fore_colour = 0xFFFFFF;
    if (player.services.glyphs) DrawText(work, *player.services.glyphs, 260, 240, U"Now Loading...");
    PresentWork(player);
  }
  screen.TextFont.bold = false;
}

Status BuildTables(Player& player) {
  GameData& game = player.game;
  if (static_cast<int64_t>(game.GameImage.size()) > kMaxGameFileBytes) {
    return Fail("the game file is larger than a game file may be");
  }
  game.ScriptEnd = static_cast<int32_t>(game.GameImage.size());
  ClearTables(player);
  if (game.GameImage.size() < kHeaderSize) {
    return Fail("the file is " + std::to_string(game.GameImage.size()) + " bytes, shorter than the " +
                std::to_string(kHeaderSize) + "-byte header");
  }
  Place place;
  try {
    BuildLabelTable(game, place);
    BuildMessageTexts(game, place);
    BuildChoiceTexts(game, place);
    ReadNameCursors(game, place);
  } catch (const ImageBoundsError& e) {
    return Fail(place.Describe() + ": position " + std::to_string(e.position) + " lies outside the file (" +
                std::to_string(game.GameImage.size()) + " bytes)");
  } catch (const FormatError& e) {
    return Fail(e.what);
  }
  return {};
}

Status LoadGame(Player& player, const std::string& path) {
  ShowLoadingScreen(player);
  Result<std::vector<uint8_t>> bytes = ReadGameFile(path);
  if (!bytes) return Fail(bytes.error());
  player.game.GameImage = std::move(bytes).value();
  if (Status built = BuildTables(player); !built) return Fail(path + ": " + built.error());
  return {};
}

}  // namespace corv
