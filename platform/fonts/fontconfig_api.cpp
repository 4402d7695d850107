#define ORLEND_FONTCONFIG_API_DEFINE
#include "fonts/fontconfig_api.h"

#include "kernel/native_library.h"

namespace platform {

FontconfigApi fontconfig_api;

bool LoadFontconfigApi() {
  static const bool loaded = [] {
#define ORLEND_NAME(name) #name,
    static const char* const names[] = {ORLEND_FONTCONFIG_FUNCTIONS(ORLEND_NAME)};
#undef ORLEND_NAME
#define ORLEND_SLOT(name) reinterpret_cast<void**>(&fontconfig_api.name),
    void** const slots[] = {ORLEND_FONTCONFIG_FUNCTIONS(ORLEND_SLOT)};
#undef ORLEND_SLOT
    return BindNativeLibrary("libfontconfig.so.1", names, slots, sizeof names / sizeof names[0]);
  }();
  return loaded;
}

}  // namespace platform
