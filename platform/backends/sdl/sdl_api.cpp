#define ORLEND_SDL_API_DEFINE
#include "backends/sdl/sdl_api.h"

#include "kernel/native_library.h"

namespace platform {

SdlApi sdl_api;

bool LoadSdlApi() {
  static const bool loaded = [] {
#define ORLEND_NAME(name) #name,
    static const char* const names[] = {ORLEND_SDL_FUNCTIONS(ORLEND_NAME)};
#undef ORLEND_NAME
#define ORLEND_SLOT(name) reinterpret_cast<void**>(&sdl_api.name),
    void** const slots[] = {ORLEND_SDL_FUNCTIONS(ORLEND_SLOT)};
#undef ORLEND_SLOT
    return BindNativeLibrary("libSDL2-2.0.so.0", names, slots, sizeof names / sizeof names[0]);
  }();
  return loaded;
}

}  // namespace platform
