// Owning pointers to the objects of C libraries (SDL, SDL_ttf, fontconfig, FluidSynth, GLib), each
// released with its library's own call when the pointer goes.
#pragma once

#include <memory>

namespace corv {

// Calls Free on the object; unique_ptr never hands it a null pointer.
template <auto Free>
struct FreeWith {
  template <class T>
  void operator()(T* object) const {
    Free(object);
  }
};

// An owning pointer to a T released by Free, e.g. Owned<SDL_Window, SDL_DestroyWindow>.
template <class T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;

}  // namespace corv
