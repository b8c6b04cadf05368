// Any resource name: whatever FindResource returns must be a regular file inside the game folder,
// reached without any "." or ".." component; a name with a replacement character or NUL finds nothing.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_player.h"
#include "media/resources.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto player = [] {
    auto p = std::make_unique<corv::Player>();
    p->location.GameFolder = corv::fuzz::ResourceFolder();
    return p;
  }();
  // Odd first byte: the name as a game file carries it, Shift-JIS bytes decoded as the loader does.
  // Even: any code points at all, as a damaged saved game could hold them.
  if (size == 0) return 0;
  std::u32string name;
  if (data[0] & 1) {
    name = corv::DecodeCp932(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  } else {
    for (size_t i = 1; i + 4 <= size; i += 4) {
      name +=
          static_cast<char32_t>(data[i] | data[i + 1] << 8 | data[i + 2] << 16 | uint32_t{data[i + 3]} << 24);
    }
  }
  for (const char* extension : {".BMP", ".MID", ""}) {
    const std::optional<std::string> found = corv::FindResource(*player, name, extension);
    if (!found) continue;
    if (name.find(U'\uFFFD') != std::u32string::npos || name.find(U'\0') != std::u32string::npos)
      std::abort();
    char resolved[PATH_MAX];
    char folder[PATH_MAX];
    if (!::realpath(found->c_str(), resolved) || !::realpath(player->location.GameFolder.c_str(), folder)) {
      std::abort();
    }
    if (std::string(resolved).rfind(std::string(folder) + "/", 0) != 0) std::abort();
  }
  return 0;
}
