#include "gdi/text_run.h"

#include <algorithm>

namespace platform::gdi {

std::vector<Char> Decode(const WCHAR* text, int count) {
  std::vector<Char> out;
  if (!text) return out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) {
    char32_t c = text[i];
    int start = i;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    out.push_back(Char{c, start});
  }
  return out;
}

static FontObject* SelectedFont(DcObject* dc) {
  FontObject* f = Font(dc->state.font);
  return f ? f : Font(GetStockObject(SYSTEM_FONT));
}

fonts::FontInstance& FontOf(DcObject* dc) {
  FontObject* f = SelectedFont(dc);
  if (!f->instance) f->instance = fonts::InstanceFor(f->log);
  return *f->instance;
}

const LOGFONTW& LogFontOf(DcObject* dc) { return SelectedFont(dc)->log; }

int RunWidth(fonts::FontInstance& font, const Char* chars, int n) {
  long long w = 0;
  for (int i = 0; i < n; ++i) w += font.Advance(chars[i].code);
  return static_cast<int>(std::min<long long>(w, 1 << 30));
}

void DrawRun(Canvas& c, fonts::FontInstance& font, int x, int top, const Char* chars, int n,
             uint32_t pixel, const int* dx) {
  if (!c.valid()) return;
  long long pen = x;
  int baseline = top + font.metrics().ascent;
  int limit = c.surface->width() - c.ox;  // nothing to the right of the surface can show
  for (int i = 0; i < n && pen < limit + 1024; ++i) {
    const fonts::Glyph& g = font.GlyphFor(chars[i].code);
    if (g.width > 0 && g.height > 0)
      c.BlendMask(static_cast<int>(pen + g.left), baseline - g.top, g.width, g.height, g.coverage.data(), pixel);
    pen += dx ? dx[i] : g.advance;
  }
}

void DrawUnderline(Canvas& c, fonts::FontInstance& font, int x, int top, int width, uint32_t pixel) {
  const fonts::Metrics& m = font.metrics();
  int y = top + m.ascent + m.underlineOffset;
  c.FillRect(RECT{x, y, x + width, y + m.underlineThickness}, pixel);
}

void DrawStrikeout(Canvas& c, fonts::FontInstance& font, int x, int top, int width, uint32_t pixel) {
  const fonts::Metrics& m = font.metrics();
  int y = top + m.ascent - m.strikeoutOffset;
  c.FillRect(RECT{x, y, x + width, y + m.strikeoutThickness}, pixel);
}

}  // namespace platform::gdi
