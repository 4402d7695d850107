#define ORLEND_FREETYPE_API_DEFINE
#include "fonts/freetype_api.h"

#include "kernel/native_library.h"

namespace platform {

FreetypeApi freetype_api;

bool LoadFreetypeApi() {
  static const bool loaded = [] {
#define ORLEND_NAME(name) #name,
    static const char* const names[] = {ORLEND_FREETYPE_FUNCTIONS(ORLEND_NAME)};
#undef ORLEND_NAME
#define ORLEND_SLOT(name) reinterpret_cast<void**>(&freetype_api.name),
    void** const slots[] = {ORLEND_FREETYPE_FUNCTIONS(ORLEND_SLOT)};
#undef ORLEND_SLOT
    return BindNativeLibrary("libfreetype.so.6", names, slots, sizeof names / sizeof names[0]);
  }();
  return loaded;
}

}  // namespace platform
