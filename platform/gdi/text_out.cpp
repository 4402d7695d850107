// Single runs of text: extents, TextOutW and ExtTextOutW.
#include <algorithm>

#include "gdi/text_run.h"

using namespace platform::gdi;

BOOL GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, LPSIZE size) {
  DcObject* dc = Dc(handle);
  if (!dc || !size || count < 0 || count > kMaxTextUnits || (!text && count > 0)) return FALSE;
  platform::fonts::FontInstance& font = FontOf(dc);
  std::vector<Char> chars = Decode(text, count);
  size->cx = RunWidth(font, chars.data(), static_cast<int>(chars.size()));
  size->cy = font.metrics().height;
  return TRUE;
}

BOOL GetTextExtentExPointW(HDC handle, LPCWSTR text, int count, int maxExtent, INT* fit, INT* dx,
                           LPSIZE size) {
  DcObject* dc = Dc(handle);
  if (!dc || !size || count < 0 || count > kMaxTextUnits || (!text && count > 0)) return FALSE;
  platform::fonts::FontInstance& font = FontOf(dc);
  std::vector<Char> chars = Decode(text, count);
  long long extent = 0;
  int fitted = 0;
  bool fitting = true;
  for (size_t i = 0; i < chars.size(); ++i) {
    extent += font.Advance(chars[i].code);
    int next = i + 1 < chars.size() ? chars[i + 1].unit : count;
    if (fitting && extent <= maxExtent) fitted = next;
    else fitting = false;
    // Both units of a surrogate pair report the extent after the pair.
    if (dx)
      for (int u = chars[i].unit; u < next; ++u) dx[u] = static_cast<INT>(std::min<long long>(extent, 1 << 30));
  }
  if (fit) *fit = fitted;
  size->cx = static_cast<LONG>(std::min<long long>(extent, 1 << 30));
  size->cy = font.metrics().height;
  return TRUE;
}

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx) {
  DcObject* dc = Dc(handle);
  if (!dc || (count > 0 && !text)) return FALSE;
  if (count > static_cast<UINT>(kMaxTextUnits)) return FALSE;
  Canvas c = CanvasOf(handle);
  platform::fonts::FontInstance& font = FontOf(dc);
  const LOGFONTW& lf = LogFontOf(dc);
  const DcState& st = dc->state;
  if (st.textAlign & TA_UPDATECP) {
    x = dc->state.position.x;
    y = dc->state.position.y;
  }
  std::vector<Char> chars = Decode(text, static_cast<int>(count));
  int n = static_cast<int>(chars.size());
  // Advances per character from the per-unit widths (a surrogate pair takes both).
  std::vector<int> advances;
  if (dx) {
    advances.resize(n);
    for (int i = 0; i < n; ++i) {
      int next = i + 1 < n ? chars[i + 1].unit : static_cast<int>(count);
      int a = 0;
      for (int u = chars[i].unit; u < next; ++u) a += dx[u];
      advances[i] = a;
    }
  }
  long long width = 0;
  for (int i = 0; i < n; ++i) width += dx ? advances[i] : font.Advance(chars[i].code);
  int w = static_cast<int>(std::clamp<long long>(width, -(1 << 30), 1 << 30));
  const platform::fonts::Metrics& m = font.metrics();

  // The alignment says which point of the text's cell (x, y) is.
  int left = x;
  UINT horizontal = st.textAlign & TA_CENTER;
  if (horizontal == TA_CENTER) left = x - w / 2;
  else if (horizontal == TA_RIGHT) left = x - w;
  int top = y;
  UINT vertical = st.textAlign & TA_BASELINE;
  if (vertical == TA_BASELINE) top = y - m.ascent;
  else if (vertical == TA_BOTTOM) top = y - m.height;

  std::vector<RECT> storage;
  Canvas target = (options & ETO_CLIPPED) && rect ? c.Restricted(*rect, storage) : c;
  if ((options & ETO_OPAQUE) && rect) c.FillRect(*rect, ToPixel(st.bkColor));
  if (st.bkMode == OPAQUE && n > 0) target.FillRect(RECT{left, top, left + w, top + m.height}, ToPixel(st.bkColor));
  uint32_t pixel = ToPixel(st.textColor);
  DrawRun(target, font, left, top, chars.data(), n, pixel, dx ? advances.data() : nullptr);
  if (lf.lfUnderline && n > 0) DrawUnderline(target, font, left, top, w, pixel);
  if (lf.lfStrikeOut && n > 0) DrawStrikeout(target, font, left, top, w, pixel);

  if (st.textAlign & TA_UPDATECP) {
    if (horizontal == TA_RIGHT) dc->state.position.x = x - w;
    else if (horizontal != TA_CENTER) dc->state.position.x = x + w;
  }
  return TRUE;
}

BOOL TextOutW(HDC handle, int x, int y, LPCWSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutW(handle, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}
