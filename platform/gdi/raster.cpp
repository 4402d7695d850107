#include "gdi/raster.h"

#include <algorithm>

namespace platform::gdi {

uint32_t ToPixel(COLORREF c) { return PixelFromColorref(c & 0xFFFFFF); }

static inline uint32_t Mix(uint32_t src, uint32_t dst, int coverage) {
  int inv = 255 - coverage;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int s = (src >> shift) & 0xFF, t = (dst >> shift) & 0xFF;
    out |= static_cast<uint32_t>((s * coverage + t * inv + 127) / 255) << shift;
  }
  return out;
}

Canvas CanvasOf(HDC handle) {
  Canvas c;
  DcObject* dc = Dc(handle);
  if (!dc) return c;
  c.dc = dc;
  c.surface = TargetSurface(dc);
  if (!c.surface) return c;
  c.clip = &ClipRects(dc);
  if (!dc->memory) {
    c.ox = dc->origin.x;
    c.oy = dc->origin.y;
  }
  return c;
}

// Logical to surface coordinates; clamped so that huge inputs cannot overflow.
static LONG Clamp(long long v) {
  return static_cast<LONG>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30));
}

RECT Canvas::ToSurface(const RECT& r) const {
  return RECT{Clamp(1LL * r.left + ox), Clamp(1LL * r.top + oy), Clamp(1LL * r.right + ox),
              Clamp(1LL * r.bottom + oy)};
}

bool Canvas::visible(int x, int y) const {
  if (!valid()) return false;
  long long sx = 1LL * x + ox, sy = 1LL * y + oy;
  for (const RECT& r : *clip)
    if (sx >= r.left && sx < r.right && sy >= r.top && sy < r.bottom) return true;
  return false;
}

void Canvas::FillSpan(int y, int left, int right, uint32_t pixel) {
  if (!valid() || left >= right) return;
  long sy = 1L * y + oy;
  long sl = 1L * left + ox, sr = 1L * right + ox;
  for (const RECT& r : *clip) {
    if (sy < r.top || sy >= r.bottom) continue;
    long a = std::max<long>(sl, r.left), b = std::min<long>(sr, r.right);
    if (a >= b) continue;
    std::fill(surface->row(static_cast<int>(sy)) + a, surface->row(static_cast<int>(sy)) + b, pixel);
  }
}

void Canvas::FillRect(const RECT& rect, uint32_t pixel) {
  if (!valid()) return;
  RECT s = ToSurface(rect);
  for (const RECT& r : *clip) {
    RECT i = IntersectRects(s, r);
    if (RectEmpty(i)) continue;
    for (LONG y = i.top; y < i.bottom; ++y) std::fill(surface->row(y) + i.left, surface->row(y) + i.right, pixel);
  }
}

void Canvas::Plot(int x, int y, uint32_t pixel) {
  if (visible(x, y)) surface->row(y + oy)[x + ox] = pixel;
}

void Canvas::BlendMask(int x, int y, int width, int height, const uint8_t* coverage, uint32_t pixel) {
  if (!valid() || width <= 0 || height <= 0) return;
  RECT s = ToSurface(RECT{x, y, x + width, y + height});
  for (const RECT& r : *clip) {
    RECT i = IntersectRects(s, r);
    if (RectEmpty(i)) continue;
    for (LONG py = i.top; py < i.bottom; ++py) {
      const uint8_t* mask = coverage + static_cast<size_t>(py - s.top) * width;
      uint32_t* row = surface->row(py);
      for (LONG px = i.left; px < i.right; ++px) {
        int a = mask[px - s.left];
        if (a == 0) continue;
        row[px] = a == 255 ? pixel : Mix(pixel, row[px], a);
      }
    }
  }
}

Canvas Canvas::Restricted(const RECT& r, std::vector<RECT>& storage) const {
  Canvas c = *this;
  storage.clear();
  if (clip) {
    RECT s = ToSurface(r);
    for (const RECT& k : *clip) {
      RECT i = IntersectRects(s, k);
      if (!RectEmpty(i)) storage.push_back(i);
    }
  }
  c.clip = &storage;
  return c;
}

uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    case 0xCC: return s;
    case 0xF0: return p;
    case 0x55: return ~d & 0xFFFFFF;
    case 0x5A: return (p ^ d) & 0xFFFFFF;
    case 0x66: return (s ^ d) & 0xFFFFFF;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x33: return ~s & 0xFFFFFF;
    case 0xAA: return d;
  }
  // Bit i of the code is the result where pattern, source and destination bits are (i>>2, i>>1, i) & 1.
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((code >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

void Canvas::PatternRect(const RECT& rect, uint32_t pattern, DWORD rop) {
  if (!valid()) return;
  uint8_t code = static_cast<uint8_t>((rop >> 16) & 0xFF);
  if (code == 0xF0) return FillRect(rect, pattern);
  if (code == 0x00) return FillRect(rect, 0);
  if (code == 0xFF) return FillRect(rect, 0xFFFFFF);
  RECT s = ToSurface(rect);
  for (const RECT& r : *clip) {
    RECT i = IntersectRects(s, r);
    if (RectEmpty(i)) continue;
    for (LONG y = i.top; y < i.bottom; ++y) {
      uint32_t* row = surface->row(y);
      for (LONG x = i.left; x < i.right; ++x) row[x] = Rop3(code, pattern, row[x], row[x]);
    }
  }
}

}  // namespace platform::gdi
