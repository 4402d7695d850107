#define ORLEND_PNG_API_DEFINE
#include "core/png_api.h"

#include "kernel/native_library.h"

namespace platform {

PngApi png_api;
const char kPngLibrary[] = "libpng16.so.16";

bool LoadPngApi() { ORLEND_BIND_API_ONCE(ORLEND_PNG_FUNCTIONS, png_api, kPngLibrary); }

}  // namespace platform
