// Font objects, their metrics and the font enumeration.
#include <algorithm>
#include <cstring>

#include "fonts/font_map.h"
#include "gdi/text_run.h"

namespace platform::gdi {

namespace {

void FillMetrics(fonts::FontInstance& font, const LOGFONTW& lf, TEXTMETRICW* tm) {
  const fonts::Metrics& m = font.metrics();
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x1F;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = lf.lfItalic ? 1 : 0;
  tm->tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  // As on the platform, the bit is set for a variable-pitch font.
  tm->tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | (lf.lfPitchAndFamily & 0xF0);
  tm->tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
}

// The platform name of the face that a LOGFONTW face name realises as.
std::u16string RealisedName(const LOGFONTW& lf) {
  std::u16string name(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
  std::u16string folded = fonts::FoldCase(name);
  for (const fonts::MappedFace& m : fonts::FaceMap())
    if (fonts::FoldCase(m.windowsName) == folded && fonts::FamilyForFaceName(name) == m.family)
      return m.windowsName;
  return u"Tahoma";  // the handheld's default face, which the default family stands for
}

int CharSetOf(const std::u16string& windowsName) {
  if (windowsName == u"MS Song") return GB2312_CHARSET;
  if (windowsName == u"MingLiU") return CHINESEBIG5_CHARSET;
  return ANSI_CHARSET;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;
namespace fonts = platform::fonts;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) return nullptr;
  auto f = std::make_unique<FontObject>();
  f->log = *font;
  f->log.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Register(std::move(f)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strikeOut ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; faceName && faceName[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = faceName[i];
  return CreateFontIndirectW(&lf);
}

BOOL GetTextMetricsW(HDC handle, LPTEXTMETRICW metrics) {
  DcObject* dc = Dc(handle);
  if (!dc || !metrics) return FALSE;
  FillMetrics(FontOf(dc), LogFontOf(dc), metrics);
  return TRUE;
}

int GetTextFaceW(HDC handle, int count, LPWSTR face) {
  DcObject* dc = Dc(handle);
  if (!dc) return 0;
  std::u16string name = RealisedName(LogFontOf(dc));
  if (!face) return static_cast<int>(name.size()) + 1;
  if (count <= 0) return 0;
  int n = std::min<int>(count - 1, static_cast<int>(name.size()));
  std::copy(name.begin(), name.begin() + n, face);
  face[n] = 0;
  return n;
}

int EnumFontFamiliesW(HDC handle, LPCWSTR family, FONTENUMPROCW callback, LPARAM param) {
  if (!Dc(handle) || !callback) return 0;
  std::u16string wanted = family ? fonts::FoldCase(family) : std::u16string();
  int result = 1;
  for (const fonts::MappedFace& m : fonts::FaceMap()) {
    if (family && fonts::FoldCase(m.windowsName) != wanted) continue;
    if (fonts::IsHidden(m.windowsName) || !fonts::FamilyInstalled(m.family)) continue;
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(CharSetOf(m.windowsName));
    lf.lfOutPrecision = 3;  // OUT_STROKE_PRECIS, as the platform reports TrueType faces
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::copy(m.windowsName.begin(), m.windowsName.begin() + std::min<size_t>(m.windowsName.size(), LF_FACESIZE - 1),
              lf.lfFaceName);
    TEXTMETRICW tm;
    FillMetrics(*platform::fonts::InstanceFor(lf), lf, &tm);
    result = callback(&lf, &tm, TRUETYPE_FONTTYPE, param);
    if (result == 0) break;
  }
  return result;
}
