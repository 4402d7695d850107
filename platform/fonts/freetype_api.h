// FreeType, opened when the first font face is opened: the programs do not link it, so a
// process that never draws text never loads it. Include this after every other header:
// the function names below become calls through the table.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#define ORLEND_FREETYPE_FUNCTIONS(X) \
  X(FT_Activate_Size) \
  X(FT_Done_Face) \
  X(FT_Done_Size) \
  X(FT_Get_Char_Index) \
  X(FT_Get_Sfnt_Table) \
  X(FT_Init_FreeType) \
  X(FT_Load_Glyph) \
  X(FT_New_Face) \
  X(FT_New_Size) \
  X(FT_Outline_EmboldenXY) \
  X(FT_Outline_Transform) \
  X(FT_Outline_Translate) \
  X(FT_Render_Glyph) \
  X(FT_Set_Pixel_Sizes)

namespace platform {

struct FreetypeApi {
#define ORLEND_MEMBER(name) decltype(&::name) name = nullptr;
  ORLEND_FREETYPE_FUNCTIONS(ORLEND_MEMBER)
#undef ORLEND_MEMBER
};
extern FreetypeApi freetype_api;

// Opens libfreetype.so.6 and resolves every function above, once; false (and the table
// left unusable) when the library or one of its functions is missing.
bool LoadFreetypeApi();

}  // namespace platform

#ifndef ORLEND_FREETYPE_API_DEFINE
#define FT_Activate_Size (::platform::freetype_api.FT_Activate_Size)
#define FT_Done_Face (::platform::freetype_api.FT_Done_Face)
#define FT_Done_Size (::platform::freetype_api.FT_Done_Size)
#define FT_Get_Char_Index (::platform::freetype_api.FT_Get_Char_Index)
#define FT_Get_Sfnt_Table (::platform::freetype_api.FT_Get_Sfnt_Table)
#define FT_Init_FreeType (::platform::freetype_api.FT_Init_FreeType)
#define FT_Load_Glyph (::platform::freetype_api.FT_Load_Glyph)
#define FT_New_Face (::platform::freetype_api.FT_New_Face)
#define FT_New_Size (::platform::freetype_api.FT_New_Size)
#define FT_Outline_EmboldenXY (::platform::freetype_api.FT_Outline_EmboldenXY)
#define FT_Outline_Transform (::platform::freetype_api.FT_Outline_Transform)
#define FT_Outline_Translate (::platform::freetype_api.FT_Outline_Translate)
#define FT_Render_Glyph (::platform::freetype_api.FT_Render_Glyph)
#define FT_Set_Pixel_Sizes (::platform::freetype_api.FT_Set_Pixel_Sizes)
#endif
