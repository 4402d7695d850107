#define ORLEND_PNG_API_DEFINE
#include "core/png_api.h"

#include "kernel/native_library.h"

namespace platform {

PngApi png_api;
const char kPngLibrary[] = "libpng16.so.16";

bool LoadPngApi() {
  static const bool loaded = [] {
#define ORLEND_NAME(name) #name,
    static const char* const names[] = {ORLEND_PNG_FUNCTIONS(ORLEND_NAME)};
#undef ORLEND_NAME
#define ORLEND_SLOT(name) reinterpret_cast<void**>(&png_api.name),
    void** const slots[] = {ORLEND_PNG_FUNCTIONS(ORLEND_SLOT)};
#undef ORLEND_SLOT
    return BindNativeLibrary(kPngLibrary, names, slots, sizeof names / sizeof names[0]);
  }();
  return loaded;
}

}  // namespace platform
