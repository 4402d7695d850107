#define ORLEND_SDL_API_DEFINE
#include "backends/sdl/sdl_api.h"

#include "kernel/native_library.h"

namespace platform {

SdlApi sdl_api;

bool LoadSdlApi() { ORLEND_BIND_API_ONCE(ORLEND_SDL_FUNCTIONS, sdl_api, "libSDL2-2.0.so.0"); }

}  // namespace platform
