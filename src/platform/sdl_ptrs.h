// Owning pointers for SDL's objects, each released with its own SDL call when the pointer goes, and the
// SDL pixel format that matches the pixels of a surface of each depth.
#pragma once

#include <SDL.h>

#include "platform/owned.h"

namespace corv {

using SdlWindowPtr = Owned<SDL_Window, SDL_DestroyWindow>;
using SdlRendererPtr = Owned<SDL_Renderer, SDL_DestroyRenderer>;
using SdlTexturePtr = Owned<SDL_Texture, SDL_DestroyTexture>;
using SdlSurfacePtr = Owned<SDL_Surface, SDL_FreeSurface>;

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
