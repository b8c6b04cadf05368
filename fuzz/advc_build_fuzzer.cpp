// Any text as advc source: the compiler either builds a game file or reports errors with places inside
// the source; what it builds from readable source must load, and what it builds from the explicit form
// (any bytes at all, by design) must come back the same through the disassembler.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "advc/advc.h"
#include "core/player.h"
#include "shell/loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  const advc::BuildResult built = advc::Build(source, "fuzz.txt");
  if (!built.ok) {
    if (built.errors.empty()) std::abort();  // a refusal must say why
    for (const advc::Diagnostic& e : built.errors) {
      if (e.line < 1 || e.column < 1) std::abort();
    }
    return 0;
  }
  if (built.explicit_form) {
    const advc::BuildResult again = advc::Build(advc::Disassemble(built.image), "dis.txt");
    if (!again.ok || again.image != built.image) std::abort();
    return 0;
  }
  auto player = std::make_unique<corv::Player>();
  player->game.GameImage = built.image;
  if (!corv::BuildTables(*player).ok()) std::abort();  // advc must never build a file the player refuses
  return 0;
}
