#include "fonts/font_face.h"

#include FT_TRUETYPE_TABLES_H

#include <map>
#include <memory>
#include <utility>

#include "fonts/freetype_api.h"

namespace platform::fonts {

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    if (!LoadFreetypeApi() || FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    return l;
  }();
  return library;
}

FontFace::FontFace(FT_Face face, const FaceFile& file) : face_(face), file_(file) {
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    winAscent_ = os2->usWinAscent;
    winDescent_ = os2->usWinDescent;
  } else {
    winAscent_ = face->ascender;
    winDescent_ = -face->descender;
  }
  if (winAscent_ + winDescent_ <= 0) {
    winAscent_ = face->units_per_EM * 4 / 5;
    winDescent_ = face->units_per_EM / 5;
  }
}

FontFace* FontFace::Open(const FaceFile& file) {
  static std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> cache;
  auto key = std::make_pair(file.path, file.index);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  FontFace* result = nullptr;
  FT_Face face = nullptr;
  if (Library() && FT_New_Face(Library(), file.path.c_str(), file.index, &face) == 0) {
    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
      result = new FontFace(face, file);
    } else {
      FT_Done_Face(face);
    }
  }
  cache[key].reset(result);
  return result;
}

}  // namespace platform::fonts
