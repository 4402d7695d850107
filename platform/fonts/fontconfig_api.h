// fontconfig, opened when fonts are first looked for: the programs do not link it, so a
// process that never draws text never loads it. Include this after every other header:
// the function names below become calls through the table.
#pragma once

#include <fontconfig/fontconfig.h>

#define ORLEND_FONTCONFIG_FUNCTIONS(X) \
  X(FcConfigDestroy) \
  X(FcConfigSubstitute) \
  X(FcDefaultSubstitute) \
  X(FcFini) \
  X(FcFontList) \
  X(FcFontMatch) \
  X(FcFontSetDestroy) \
  X(FcInitLoadConfigAndFonts) \
  X(FcNameParse) \
  X(FcObjectSetBuild) \
  X(FcObjectSetDestroy) \
  X(FcPatternAddString) \
  X(FcPatternCreate) \
  X(FcPatternDestroy) \
  X(FcPatternGetInteger) \
  X(FcPatternGetString)

namespace platform {

struct FontconfigApi {
#define ORLEND_MEMBER(name) decltype(&::name) name = nullptr;
  ORLEND_FONTCONFIG_FUNCTIONS(ORLEND_MEMBER)
#undef ORLEND_MEMBER
};
extern FontconfigApi fontconfig_api;

// Opens libfontconfig.so.1 and resolves every function above, once; false (and the table
// left unusable) when the library or one of its functions is missing.
bool LoadFontconfigApi();

}  // namespace platform

#ifndef ORLEND_FONTCONFIG_API_DEFINE
#define FcConfigDestroy (::platform::fontconfig_api.FcConfigDestroy)
#define FcConfigSubstitute (::platform::fontconfig_api.FcConfigSubstitute)
#define FcDefaultSubstitute (::platform::fontconfig_api.FcDefaultSubstitute)
#define FcFini (::platform::fontconfig_api.FcFini)
#define FcFontList (::platform::fontconfig_api.FcFontList)
#define FcFontMatch (::platform::fontconfig_api.FcFontMatch)
#define FcFontSetDestroy (::platform::fontconfig_api.FcFontSetDestroy)
#define FcInitLoadConfigAndFonts (::platform::fontconfig_api.FcInitLoadConfigAndFonts)
#define FcNameParse (::platform::fontconfig_api.FcNameParse)
#define FcObjectSetBuild (::platform::fontconfig_api.FcObjectSetBuild)
#define FcObjectSetDestroy (::platform::fontconfig_api.FcObjectSetDestroy)
#define FcPatternAddString (::platform::fontconfig_api.FcPatternAddString)
#define FcPatternCreate (::platform::fontconfig_api.FcPatternCreate)
#define FcPatternDestroy (::platform::fontconfig_api.FcPatternDestroy)
#define FcPatternGetInteger (::platform::fontconfig_api.FcPatternGetInteger)
#define FcPatternGetString (::platform::fontconfig_api.FcPatternGetString)
#endif
