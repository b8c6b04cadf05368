// Owning pointers for SDL's objects, each released with its own SDL call when the pointer goes, and the
// SDL pixel format that matches the pixels of a surface of each depth.
#pragma once

#include <SDL.h>

#include <memory>

namespace corv {

struct SdlWindowDeleter {
  void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct SdlRendererDeleter {
  void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct SdlTextureDeleter {
  void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct SdlSurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowDeleter>;
using SdlRendererPtr = std::unique_ptr<SDL_Renderer, SdlRendererDeleter>;
using SdlTexturePtr = std::unique_ptr<SDL_Texture, SdlTextureDeleter>;
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceDeleter>;

// 16 bits: RGB565; 24: bytes blue, green, red in memory; 32: XRGB8888.
inline Uint32 SdlPixelFormat(int depth) {
  switch (depth) {
    case 16:
      return SDL_PIXELFORMAT_RGB565;
    case 24:
      return SDL_PIXELFORMAT_BGR24;
    default:
      return SDL_PIXELFORMAT_XRGB8888;
  }
}

}  // namespace corv
