#define ORLEND_FREETYPE_API_DEFINE
#include "fonts/freetype_api.h"

#include "kernel/native_library.h"

namespace platform {

FreetypeApi freetype_api;

bool LoadFreetypeApi() { ORLEND_BIND_API_ONCE(ORLEND_FREETYPE_FUNCTIONS, freetype_api, "libfreetype.so.6"); }

}  // namespace platform
