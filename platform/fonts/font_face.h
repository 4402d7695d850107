// Font files opened with FreeType, once each for the run.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include "fonts/font_map.h"

namespace platform::fonts {

class FontFace {
 public:
  // The opened face for a file, or null when FreeType cannot read it.
  static FontFace* Open(const FaceFile& file);

  FT_Face face() const { return face_; }
  const FaceFile& file() const { return file_; }
  // Design units of the Windows ascent and descent (OS/2 table, else the face's own).
  int winAscent() const { return winAscent_; }
  int winDescent() const { return winDescent_; }

 private:
  FontFace(FT_Face face, const FaceFile& file);
  FT_Face face_;
  FaceFile file_;
  int winAscent_ = 0;
  int winDescent_ = 0;
};

FT_Library Library();

}  // namespace platform::fonts
