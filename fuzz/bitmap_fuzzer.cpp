// Bitmap bytes from anywhere, decoded into surfaces of all three display depths. A decoded picture
// must have sane dimensions and exactly the pixel memory they call for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int depth : {16, 24, 32}) {
    const corv::Result<corv::Surface> loaded = corv::LoadBitmap(bytes, depth);
    if (!loaded) continue;
    const corv::Surface& surface = *loaded;
    if (surface.Width() < 1 || surface.Height() < 1 || surface.Width() > corv::kMaxBitmapSide ||
        surface.Height() > corv::kMaxBitmapSide || surface.Depth() != depth ||
        surface.SizeBytes() != static_cast<size_t>(surface.Pitch()) * surface.Height() ||
        surface.Pitch() < surface.Width() * surface.BytesPerPixel()) {
      std::abort();
    }
  }
  return 0;
}
