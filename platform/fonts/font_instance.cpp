#include "fonts/font_instance.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "fonts/font_face.h"
#include "fonts/freetype_api.h"

namespace platform::fonts {

namespace {

constexpr int kMaxEm = 1024;
constexpr int kDefaultEm = 12;

int RoundDiv(long long a, long long b) { return static_cast<int>((2 * a + b) / (2 * b)); }

// Synthetic bold widens each stroke to the right by about one pixel at the sizes the
// programs use, as the platform's emboldening does; larger sizes get proportionally more.
int BoldStrength(int em) { return em <= 36 ? 64 : em * 64 / 36; }

}  // namespace

// A face with its own FreeType size object at the instance's pixel size.
struct FaceAtSize {
  FontFace* face = nullptr;
  FT_Size size = nullptr;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  bool bitmaps = false;  // draws its embedded bitmaps
  ~FaceAtSize() {
    if (size) FT_Done_Size(size);
  }
};

static bool HasStrike(FT_Face face, int em) {
  for (int i = 0; i < face->num_fixed_sizes; ++i)
    if ((face->available_sizes[i].y_ppem + 32) >> 6 == em) return true;
  return false;
}

// With `bitmaps`, only a face with a bitmap strike of exactly this size; its strokes are
// drawn for the size, so they are never emboldened or slanted.
static std::unique_ptr<FaceAtSize> AtSize(FontFace* face, int em, bool bold, bool italic, bool bitmaps = false) {
  if (!face) return nullptr;
  if (bitmaps && !HasStrike(face->face(), em)) return nullptr;
  auto sized = std::make_unique<FaceAtSize>();
  if (FT_New_Size(face->face(), &sized->size) != 0) {
    sized->size = nullptr;
    return nullptr;
  }
  FT_Activate_Size(sized->size);
  if (FT_Set_Pixel_Sizes(face->face(), 0, em) != 0) return nullptr;
  sized->face = face;
  sized->bitmaps = bitmaps;
  sized->syntheticBold = bold && !face->file().bold && !bitmaps;
  sized->syntheticItalic = italic && !face->file().italic && !bitmaps;
  return sized;
}

std::vector<FontInstance::Source> FontInstance::FamilySources(const std::string& family, bool borrowed,
                                                              bool latinOnly) {
  std::vector<Source> sources;
  std::string small = SmallFamilyFor(family, key_.em);
  if (!small.empty()) {
    std::optional<FaceFile> file = FindFace(small, false, false);
    if (file) {
      Source source{AtSize(FontFace::Open(*file), key_.em, key_.bold, key_.italic, true), latinOnly, true, {}};
      if (source.face) sources.push_back(std::move(source));
    }
  }
  std::optional<FaceFile> file = FindFace(family, key_.bold, borrowed ? false : key_.italic);
  if (!file) return sources;
  Source source{AtSize(FontFace::Open(*file), key_.em, key_.bold, borrowed ? false : key_.italic), latinOnly,
                borrowed, {}};
  if (source.face) sources.push_back(std::move(source));
  return sources;
}

void FontInstance::AddFamily(const std::string& family, bool borrowed, bool latinOnly) {
  for (Source& source : FamilySources(family, borrowed, latinOnly)) chain_.push_back(std::move(source));
}

FontInstance::FontInstance(const Key& key) : key_(key) {
  std::string family = FamilyInstalled(key.family) ? key.family : DefaultFamily();
  std::optional<FaceFile> file = FindFace(family, key.bold, key.italic);
  if (!file) file = FindFace(DefaultFamily(), key.bold, key.italic);
  if (!file) file = AnyFace();
  if (file) primary_ = AtSize(FontFace::Open(*file), key.em, key.bold, key.italic);
  std::string latin = LatinFamilyFor(family);
  if (!latin.empty()) {
    // Latin text in a Chinese face keeps the style asked for.
    std::optional<FaceFile> latinFile = FindFace(latin, key.bold, key.italic);
    if (latinFile) {
      Source source{AtSize(FontFace::Open(*latinFile), key.em, key.bold, key.italic), true, true, {}};
      if (source.face) chain_.push_back(std::move(source));
    }
  }
  if (primary_) {
    AddFamily(family, false, false);
  }
  for (const std::string& fallback : FallbackFamilies(key.charSet))
    if (fallback != family) chain_.push_back(Source{nullptr, false, true, fallback});

  Metrics& m = metrics_;
  if (!primary_) {
    // No font at all: a plain cell keeps measuring and layout defined.
    m.ascent = key.em - key.em / 5;
    m.descent = key.em / 5;
    m.height = key.em;
    m.aveCharWidth = m.maxCharWidth = std::max(1, key.em / 2);
    m.underlineThickness = m.strikeoutThickness = 1;
    m.strikeoutOffset = key.em / 3;
    return;
  }
  const FontFace* face = primary_->face;
  FT_Face f = face->face();
  long upem = f->units_per_EM;
  long em = key.em;
  m.ascent = RoundDiv(1LL * face->winAscent() * em, upem);
  m.descent = RoundDiv(1LL * face->winDescent() * em, upem);
  m.height = m.ascent + m.descent;
  m.internalLeading = std::max(0, m.height - key.em);
  const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  if (hhea) {
    long gap = hhea->Line_Gap - ((face->winAscent() + face->winDescent()) - (hhea->Ascender - hhea->Descender));
    m.externalLeading = gap > 0 ? RoundDiv(gap * em, upem) : 0;
  }
  int boldExtra = primary_->syntheticBold ? BoldStrength(key.em) / 64 : 0;
  m.aveCharWidth = (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
                       ? RoundDiv(1LL * os2->xAvgCharWidth * em, upem) + boldExtra
                       : std::max(1, key.em / 2);
  m.maxCharWidth = RoundDiv(1LL * (f->bbox.xMax - f->bbox.xMin) * em, upem) + boldExtra;
  int thickness = RoundDiv(1LL * f->underline_thickness * em, upem);
  m.underlineThickness = std::max(1, thickness);
  // The underline's centre lies underline_position below the baseline.
  double centre = -1.0 * f->underline_position * em / upem;
  m.underlineOffset = std::max(0, static_cast<int>(std::floor(centre - m.underlineThickness / 2.0 + 0.5)));
  if (m.underlineOffset + m.underlineThickness > m.descent && m.descent > 0)
    m.underlineOffset = std::max(0, m.descent - m.underlineThickness);
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    m.strikeoutThickness = std::max(1, RoundDiv(1LL * os2->yStrikeoutSize * em, upem));
    m.strikeoutOffset = RoundDiv(1LL * os2->yStrikeoutPosition * em, upem);
  } else {
    m.strikeoutThickness = m.underlineThickness;
    m.strikeoutOffset = m.ascent / 3;
  }
}

FontInstance::~FontInstance() = default;

bool FontInstance::Render(FaceAtSize* sized, char32_t c, Glyph& out) {
  if (!sized) return false;
  FT_Face f = sized->face->face();
  FT_UInt index = FT_Get_Char_Index(f, c);
  if (index == 0 && c != 0) return false;
  FT_Activate_Size(sized->size);
  // Light hinting snaps only vertically, which keeps the faces' design widths (those of the
  // platform's fonts for the metric-compatible ones); aliased text is fully hinted.
  FT_Int32 flags = (sized->bitmaps ? FT_LOAD_DEFAULT : FT_LOAD_NO_BITMAP) |
                   (key_.antialiased ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_MONO);
  if (FT_Load_Glyph(f, index, flags) != 0) return false;
  FT_GlyphSlot slot = f->glyph;
  int extra = 0;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (sized->syntheticItalic) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (sized->syntheticBold) {
      int strength = BoldStrength(key_.em);
      FT_Outline_EmboldenXY(&slot->outline, strength, 0);
      // Emboldening grows both sides; the platform's grows the stroke to the right.
      FT_Outline_Translate(&slot->outline, strength / 2, 0);
      extra = strength / 64;
    }
  }
  if (FT_Render_Glyph(slot, key_.antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return false;
  const FT_Bitmap& bm = slot->bitmap;
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = static_cast<int>(bm.width);
  out.height = static_cast<int>(bm.rows);
  out.advance = static_cast<int>((slot->advance.x + 32) >> 6) + extra;
  out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0);
  for (int y = 0; y < out.height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    uint8_t* dest = out.coverage.data() + static_cast<size_t>(y) * out.width;
    for (int x = 0; x < out.width; ++x) {
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) dest[x] = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
      else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) dest[x] = row[x];
    }
  }
  return true;
}

const Glyph& FontInstance::GlyphFor(char32_t c) {
  auto it = glyphs_.find(c);
  if (it != glyphs_.end()) return it->second;
  Glyph g;
  if (c >= 0x20) {
    bool done = false;
    for (size_t k = 0; k < chain_.size(); ++k) {
      while (k < chain_.size() && !chain_[k].pendingFamily.empty()) {
        // Its faces take its place in the chain, in their order.
        std::vector<Source> opened = FamilySources(chain_[k].pendingFamily, true, false);
        chain_.erase(chain_.begin() + static_cast<std::ptrdiff_t>(k));
        chain_.insert(chain_.begin() + static_cast<std::ptrdiff_t>(k), std::make_move_iterator(opened.begin()),
                      std::make_move_iterator(opened.end()));
      }
      if (k == chain_.size()) break;
      Source& source = chain_[k];
      if (source.latinOnly && !IsLatin(c)) continue;
      if (!Render(source.face.get(), c, g)) continue;
      done = true;
      if (source.borrowed) {
        // A borrowed glyph is moved down into the line when it would stick out above it.
        int over = g.top - metrics_.ascent;
        int room = metrics_.descent - (g.height - g.top);
        if (over > 0 && room > 0) g.top -= std::min(over, room);
      }
      break;
    }
    if (!done) done = Render(primary_.get(), 0, g);  // the face's missing-glyph box
    if (!done) {
      g = Glyph{};
      g.advance = metrics_.aveCharWidth;
    }
  }
  return glyphs_.emplace(c, std::move(g)).first->second;
}

int EmPixels(const LOGFONTW& lf) {
  long h = lf.lfHeight;
  if (h == 0) return kDefaultEm;
  if (h < 0) return static_cast<int>(std::min<long long>(-static_cast<long long>(h), kMaxEm));
  // A positive height is the cell height: the largest size whose ascent plus descent fits.
  std::u16string name(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  std::optional<FaceFile> file = FindFace(FamilyForFaceName(name), false, false);
  FontFace* face = file ? FontFace::Open(*file) : nullptr;
  if (!face) return static_cast<int>(std::min<long>(h, kMaxEm));
  long long upem = face->face()->units_per_EM;
  auto cell = [&](long long em) {
    return RoundDiv(face->winAscent() * em, upem) + RoundDiv(face->winDescent() * em, upem);
  };
  long long em = std::min<long long>(h, 4 * kMaxEm) * upem / (face->winAscent() + face->winDescent());
  while (cell(em + 1) <= h && em < kMaxEm) ++em;
  while (em > 1 && cell(em) > h) --em;
  return static_cast<int>(std::clamp<long long>(em, 1, kMaxEm));
}

std::shared_ptr<FontInstance> InstanceFor(const LOGFONTW& lf) {
  static std::map<std::tuple<std::string, int, bool, bool, bool, int>, std::shared_ptr<FontInstance>> cache;
  std::u16string name(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  FontInstance::Key key;
  key.family = FamilyForFaceName(name);
  key.em = EmPixels(lf);
  key.bold = lf.lfWeight >= FW_SEMIBOLD;
  key.italic = lf.lfItalic != 0;
  // Default quality at small sizes is smoothed too: fully hinted one-bit glyphs of that size
  // lose strokes (the dot of an i joins its stem).
  key.antialiased = lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY ||
                    (lf.lfQuality <= PROOF_QUALITY && key.em <= kSmallSizeLimit);
  key.charSet = lf.lfCharSet;
  auto k = std::make_tuple(key.family, key.em, key.bold, key.italic, key.antialiased, key.charSet);
  auto it = cache.find(k);
  if (it != cache.end()) return it->second;
  auto instance = std::make_shared<FontInstance>(key);
  cache.emplace(k, instance);
  return instance;
}

}  // namespace platform::fonts
