#include "media/missing_files.h"

#include <cstdio>

#include "platform/text_codec.h"

namespace corv {
namespace {

// The name as the terminal may show it: control characters (an escape sequence hidden in a game's name
// table, say) become '?'.
std::string Printable(const std::u32string& name) {
  std::u32string shown = name;
  for (char32_t& c : shown) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) c = U'?';
  }
  return ToUtf8(shown);
}

}  // namespace

void NoteMissingFile(Player& player, MissingKind kind, const std::u32string& name) {
  if (name.empty()) return;
  const bool picture = kind == MissingKind::kPicture;
  std::set<std::u32string>& noted = picture ? player.notices.missing_pictures : player.notices.missing_music;
  if (!noted.insert(name).second) return;
  std::fprintf(stderr, "corvalline: %s \"%s\" not found in %s (%s)\n", picture ? "picture" : "music",
               Printable(name).c_str(), player.location.GameFolder.c_str(),
               picture ? "shown black" : "not played");
}

}  // namespace corv
