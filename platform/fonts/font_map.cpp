#include "fonts/font_map.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <map>
#include <set>

#include "platform/gdi_bridge.h"
#include "fonts/fontconfig_api.h"

namespace platform::fonts {

namespace {

// Measured on Debian: these families carry the glyphs the Windows faces are used for.
// The Chinese faces take their Latin letters from DejaVu, and at small sizes their glyphs from
// AR PL UMing (fonts-arphic-uming), whose embedded bitmaps are drawn for 11 to 16 pixels.
const std::vector<MappedFace> kMap = {
    {u"MS Song", "AR PL SungtiL GB", "DejaVu Sans", "AR PL UMing CN"},     // fonts-arphic-gbsn00lp
    {u"MingLiU", "AR PL Mingti2L Big5", "DejaVu Sans", "AR PL UMing TW"},  // fonts-arphic-bsmi00lp
    {u"Arial", "Liberation Sans", "", ""},  // fonts-liberation
    {u"Times New Roman", "Liberation Serif", "", ""},
    {u"Tahoma", "DejaVu Sans Condensed", "", ""},  // fonts-dejavu-extra: as narrow as the face it stands for
    {u"Verdana", "DejaVu Sans", "", ""},
};

const char kDefaultFamily[] = "DejaVu Sans";

std::set<std::u16string>& hidden() {
  static std::set<std::u16string> h;
  return h;
}

FcConfig* Config() {
  static FcConfig* config = [] {
    if (!LoadFontconfigApi()) return static_cast<FcConfig*>(nullptr);
    FcConfig* c = FcInitLoadConfigAndFonts();
    // Handed back at exit, so leak checkers see only the program's own memory.
    std::atexit([] {
      FcConfigDestroy(config);
      FcFini();
    });
    return c;
  }();
  return config;
}

struct Candidate {
  FaceFile file;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  int width = FC_WIDTH_NORMAL;
};

// Every installed face of exactly this family (fontconfig compares families without case).
const std::vector<Candidate>& FacesOf(const std::string& family) {
  static std::map<std::string, std::vector<Candidate>> cache;
  auto it = cache.find(family);
  if (it != cache.end()) return it->second;
  std::vector<Candidate>& out = cache[family];
  FcConfig* config = Config();
  if (!config) return out;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FONTFORMAT, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      FcChar8* file = nullptr;
      FcChar8* format = nullptr;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      // FreeType renders the outline formats; bitmap-only fonts are left out.
      if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch) {
        std::string f = reinterpret_cast<const char*>(format);
        if (f != "TrueType" && f != "CFF") continue;
      }
      Candidate c;
      c.file.path = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(font, FC_INDEX, 0, &c.file.index);
      FcPatternGetInteger(font, FC_WEIGHT, 0, &c.weight);
      FcPatternGetInteger(font, FC_SLANT, 0, &c.slant);
      FcPatternGetInteger(font, FC_WIDTH, 0, &c.width);
      c.file.bold = c.weight >= FC_WEIGHT_DEMIBOLD;
      c.file.italic = c.slant != FC_SLANT_ROMAN;
      out.push_back(c);
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return out;
}

}  // namespace

std::u16string FoldCase(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

const std::vector<MappedFace>& FaceMap() { return kMap; }

std::string DefaultFamily() { return kDefaultFamily; }

std::vector<std::string> FallbackFamilies(int charSet) {
  auto mapped = [](const char16_t* name) {
    std::string family = FamilyForFaceName(name);
    return family == kDefaultFamily ? std::vector<std::string>{} : std::vector<std::string>{family};
  };
  std::vector<std::string> chain;
  switch (charSet) {
    case 134: chain = mapped(u"MS Song"), chain.push_back("Noto Sans CJK SC"); break;  // GB2312
    case 136: chain = mapped(u"MingLiU"), chain.push_back("Noto Sans CJK TC"); break;  // Big5
    case 128: chain.push_back("Noto Sans CJK JP"); break;                              // Shift JIS
    case 129: chain.push_back("Noto Sans CJK KR"); break;                              // Hangul
    default: chain.push_back("Noto Sans CJK SC"); break;
  }
  return chain;
}

std::string LatinFamilyFor(const std::string& family) {
  for (const MappedFace& m : kMap)
    if (m.family == family && !m.latinFamily.empty() && FamilyInstalled(m.latinFamily)) return m.latinFamily;
  return {};
}

bool IsLatin(char32_t c) { return (c >= 0x20 && c <= 0x24F) || (c >= 0x1E00 && c <= 0x1EFF); }

std::string SmallFamilyFor(const std::string& family, int em) {
  if (em > kSmallSizeLimit) return {};
  for (const MappedFace& m : kMap)
    if (m.family == family && !m.smallFamily.empty() && FamilyInstalled(m.smallFamily)) return m.smallFamily;
  return {};
}

bool FamilyInstalled(const std::string& family) { return !FacesOf(family).empty(); }

std::string FamilyForFaceName(std::u16string_view faceName) {
  std::u16string folded = FoldCase(faceName);
  for (const MappedFace& m : kMap) {
    if (FoldCase(m.windowsName) != folded) continue;
    if (IsHidden(m.windowsName) || !FamilyInstalled(m.family)) break;
    return m.family;
  }
  return kDefaultFamily;
}

std::optional<FaceFile> FindFace(const std::string& family, bool bold, bool italic) {
  const std::vector<Candidate>& faces = FacesOf(family);
  const Candidate* best = nullptr;
  long bestScore = 0;
  int wantWeight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  for (const Candidate& c : faces) {
    // Width matters most (a condensed face shares the family name), then slant, then weight.
    long score = std::labs(c.width - FC_WIDTH_NORMAL) * 100000L +
                 (c.file.italic != italic ? 10000L : 0L) + std::labs(c.weight - wantWeight);
    if (!best || score < bestScore) best = &c, bestScore = score;
  }
  if (!best) return std::nullopt;
  return best->file;
}

std::optional<FaceFile> AnyFace() {
  static const std::optional<FaceFile> any = []() -> std::optional<FaceFile> {
    FcConfig* config = Config();
    if (!config) return std::nullopt;
    // Whatever outline font fontconfig offers for plain text; only a file that is there.
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (!pattern) return std::nullopt;
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    std::optional<FaceFile> found;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file && *file) {
      FaceFile f;
      f.path = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(match, FC_INDEX, 0, &f.index);
      found = f;
    }
    if (match) FcPatternDestroy(match);
    return found;
  }();
  return any;
}

bool TextCanBeDrawn() { return FindFace(kDefaultFamily, false, false).has_value() || AnyFace().has_value(); }

void SetHidden(std::u16string_view windowsName, bool hide) {
  std::u16string folded = FoldCase(windowsName);
  if (hide) hidden().insert(folded);
  else hidden().erase(folded);
}

bool IsHidden(std::u16string_view windowsName) { return hidden().count(FoldCase(windowsName)) != 0; }

}  // namespace platform::fonts

namespace platform {

void SetFontFaceHidden(const WCHAR* windowsFaceName, bool hidden) {
  if (windowsFaceName) fonts::SetHidden(windowsFaceName, hidden);
}

}  // namespace platform
