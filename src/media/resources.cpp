// Resource names and file lookup.
//
// The games were written for a file system that ignores letter case and separates folders with a
// backslash, so a name from a game is resolved one path component at a time, each matched in any letter
// case, with the backslash taken as a folder separator. A name is refused (it names no file) when it could
// leave the game folder: a ".." component, a leading separator, an empty component. A name whose bytes
// were not valid Shift-JIS (decoding left U+FFFD in it) or that holds a NUL never reaches the file
// system. Wildcard characters are ordinary characters here. Only regular files count: folders never do;
// hidden (dot) files and read-only files do. Symbolic links are followed only as far as the game folder
// reaches: a name whose file, every link resolved, lies outside the folder is refused like a missing one.
#include "media/resources.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "core/operands.h"
#include "platform/text_codec.h"

namespace corv {
namespace {

// Simple case folding for the scripts the games' names use: ASCII, Latin-1, Greek, Cyrillic and the
// full-width Latin letters, each upper-case letter mapped to its lower-case form.
char32_t FoldCase(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const Result<std::u32string> decoded_a = DecodeUtf8(a), decoded_b = DecodeUtf8(b);
  if (!decoded_a || !decoded_b || decoded_a->size() != decoded_b->size()) return false;
  const std::u32string &wa = *decoded_a, &wb = *decoded_b;
  for (size_t i = 0; i < wa.size(); ++i) {
    if (FoldCase(wa[i]) != FoldCase(wb[i])) return false;
  }
  return true;
}

enum class Kind { kFile, kFolder };

bool IsKind(const std::string& path, Kind kind) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return kind == Kind::kFile ? S_ISREG(info.st_mode) : S_ISDIR(info.st_mode);
}

// The entry of `folder` (ending in '/') named `name` in any letter case and of the given kind, as the
// directory spells it. An exact match wins; otherwise the first match in name order.
std::optional<std::string> MatchEntry(const std::string& folder, const std::string& name, Kind kind) {
  if (IsKind(folder + name, kind)) return name;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (!SameNameIgnoringCase(candidate, name) || !IsKind(folder + candidate, kind)) continue;
    if (!best || candidate < *best) best = candidate;
  }
  ::closedir(dir);
  return best;
}

// The path with every symbolic link, "." and ".." resolved; nullopt when it names nothing.
std::optional<std::string> RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

// Whether the file at path, its links resolved, lies inside folder (itself resolved).
bool ResolvesInside(const std::string& folder, const std::string& path) {
  const std::optional<std::string> real_folder = RealPath(folder.empty() ? "." : folder);
  const std::optional<std::string> real_path = RealPath(path);
  if (!real_folder || !real_path) return false;
  const std::string prefix = real_folder->back() == '/' ? *real_folder : *real_folder + '/';
  return std::string_view(*real_path).starts_with(prefix);
}

std::vector<std::string> SplitComponents(const std::string& relative) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : relative) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

struct NameTable {
  std::vector<std::u32string>* names;
  int32_t* cursor;
  const char* kind;
};

NameTable TableFor(Player& player, uint8_t opcode) {
  GameData& game = player.game;
  switch (opcode) {
    case op::kDefineBackground:
      return {&game.BackgroundNames, &game.BackgroundNameCursor, "background picture"};
    case op::kDefineMusic:
      return {&game.MusicNames, &game.MusicNameCursor, "music"};
    default:
      return {&game.PictureNames, &game.PictureNameCursor, "picture"};
  }
}

}  // namespace

// Each definition takes the next unread name of its pool, whatever its number. A length of 0 or less or
// a negative number defines nothing. A number above 1000, or a name that would run past the end of the
// file, defines nothing either and leaves the cursor where it was; the author is told on stderr.
void DefineName(Player& player) {
  const ImageReader image = Image(player.game);
  const int32_t at = player.script.ScriptPosition;
  const Instruction in = InstructionAt(image, at);  // one handler for the three name-defining opcodes
  const int32_t number = in[Field::kNumber];
  const int32_t length = in[Field::kLength];
  if (length <= 0 || number < 0) return;
  NameTable table = TableFor(player, in.opcode());
  if (number > kMaxName) {
    std::fprintf(stderr, "corvalline: position %d: %s name number %d is above 1000; not defined\n", at,
                 table.kind, number);
    return;
  }
  try {
    (*table.names)[number] = image.Text(*table.cursor, length);
  } catch (const ImageBoundsError&) {
    std::fprintf(
        stderr,
        "corvalline: position %d: %s name %d (%d bytes from pool position %d) runs outside the file; "
        "not defined\n",
        at, table.kind, number, length, *table.cursor);
    return;
  }
  *table.cursor += length;
}

std::optional<std::string> FindResource(const Player& player, const std::u32string& name,
                                        const std::string& extension) {
  if (name.empty()) return std::nullopt;
  for (char32_t c : name) {
    if (c == U'\uFFFD' || c == 0) return std::nullopt;
  }
  const std::vector<std::string> parts = SplitComponents(ToUtf8(name) + extension);
  std::string path = player.location.GameFolder;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty() || part == "." || part == "..") return std::nullopt;
    const bool last = i + 1 == parts.size();
    const std::optional<std::string> found = MatchEntry(path, part, last ? Kind::kFile : Kind::kFolder);
    if (!found) return std::nullopt;
    path += *found;
    if (!last) path += '/';
  }
  if (!ResolvesInside(player.location.GameFolder, path)) return std::nullopt;
  return path;
}

std::optional<std::string> FindFileNoCase(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::optional<std::string> found = MatchEntry(folder, name, Kind::kFile);
  if (!found) return std::nullopt;
  return folder + *found;
}

bool FileExists(const std::string& path) {
  return FindFileNoCase(path).has_value();
}

}  // namespace corv
