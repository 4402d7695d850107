// DrawTextW: formatted text in a rectangle.
#include <algorithm>

#include "gdi/text_layout.h"

using namespace platform::gdi;

namespace {

// Removes mnemonic prefixes: "&x" is x underlined, "&&" is "&", a final "&" vanishes.
void StripPrefixes(std::vector<Char>& chars, std::vector<bool>& underlined) {
  std::vector<Char> out;
  out.reserve(chars.size());
  underlined.clear();
  for (size_t i = 0; i < chars.size(); ++i) {
    if (chars[i].code == u'&') {
      if (i + 1 >= chars.size()) break;
      ++i;
      out.push_back(chars[i]);
      underlined.push_back(chars[i].code != u'&');
      continue;
    }
    out.push_back(chars[i]);
    underlined.push_back(false);
  }
  chars.swap(out);
}

}  // namespace

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
  DcObject* dc = Dc(handle);
  if (!dc || !rect || (!text && count != 0)) return 0;
  if (count < 0) {
    count = 0;
    while (text[count] && count <= kMaxTextUnits) ++count;
  }
  if (count > kMaxTextUnits) return 0;
  platform::fonts::FontInstance& font = FontOf(dc);
  const LOGFONTW& lf = LogFontOf(dc);
  std::vector<Char> chars = Decode(text, count);
  std::vector<bool> underlined;
  if (!(format & DT_NOPREFIX)) StripPrefixes(chars, underlined);

  const bool single = format & DT_SINGLELINE;
  const int width = rect->right - rect->left;
  std::vector<Line> lines = BreakLines(font, chars, single, format & DT_WORDBREAK, width);
  const platform::fonts::Metrics& m = font.metrics();
  const int lineHeight = m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);
  const int total = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (const Line& l : lines) widest = std::max(widest, l.width);

  // Only a single line is placed vertically; more lines always start at the top.
  int top = rect->top;
  if (single && (format & DT_VCENTER)) top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM)) top = rect->bottom - lineHeight;
  int result = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? top - rect->top + lineHeight : total;

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return result;
  }

  Canvas c = CanvasOf(handle);
  std::vector<RECT> storage;
  Canvas target = (format & DT_NOCLIP) ? c : c.Restricted(*rect, storage);
  const DcState& st = dc->state;
  uint32_t pixel = ToPixel(st.textColor);
  int y = top;
  for (const Line& line : lines) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (width - line.width) / 2;
    else if (format & DT_RIGHT) x = rect->right - line.width;
    int n = line.end - line.begin;
    if (st.bkMode == OPAQUE && n > 0)
      target.FillRect(RECT{x, y, x + line.width, y + m.height}, ToPixel(st.bkColor));
    DrawRun(target, font, x, y, chars.data() + line.begin, n, pixel);
    if (lf.lfUnderline && n > 0) DrawUnderline(target, font, x, y, line.width, pixel);
    if (lf.lfStrikeOut && n > 0) DrawStrikeout(target, font, x, y, line.width, pixel);
    if (!underlined.empty()) {
      int pen = x;
      for (int i = line.begin; i < line.end; ++i) {
        int advance = font.Advance(chars[i].code);
        if (underlined[i]) DrawUnderline(target, font, pen, y, advance, pixel);
        pen += advance;
      }
    }
    y += lineHeight;
  }
  return result;
}
