#define ORLEND_FONTCONFIG_API_DEFINE
#include "fonts/fontconfig_api.h"

#include "kernel/native_library.h"

namespace platform {

FontconfigApi fontconfig_api;

bool LoadFontconfigApi() { ORLEND_BIND_API_ONCE(ORLEND_FONTCONFIG_FUNCTIONS, fontconfig_api, "libfontconfig.so.1"); }

}  // namespace platform
