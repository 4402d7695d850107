// Raster fills and copies between DCs. Stretching is nearest-neighbour; destination
// pixels whose source lies outside the source surface are left as they are.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "gdi/raster.h"

namespace platform::gdi {

namespace {

uint8_t RopCode(DWORD rop) { return static_cast<uint8_t>((rop >> 16) & 0xFF); }
// Whether the result depends on the source (S) or the pattern (P) operand.
bool UsesSource(uint8_t code) { return ((code >> 2) & 0x33) != (code & 0x33); }
bool UsesPattern(uint8_t code) { return ((code >> 4) & 0x0F) != (code & 0x0F); }

// The brush colour as the pattern; false for a null brush, which paints nothing.
bool Pattern(DcObject* dc, uint32_t* pixel) {
  BrushObject* b = Brush(dc->state.brush);
  if (!b || b->log.lbStyle != BS_SOLID) return false;
  *pixel = ToPixel(b->log.lbColor);
  return true;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;
using platform::IntersectRects;
using platform::RectEmpty;
using platform::Surface;

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  Canvas c = CanvasOf(handle);
  if (!c.dc) return FALSE;
  uint8_t code = RopCode(rop);
  if (UsesSource(code)) return FALSE;
  uint32_t pattern = 0;
  if (UsesPattern(code) && !Pattern(c.dc, &pattern)) return TRUE;
  RECT r{x, y, x + width, y + height};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  c.PatternRect(r, pattern, rop);
  return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
  uint8_t code = RopCode(rop);
  if (!UsesSource(code)) return Dc(dest) ? PatBlt(dest, x, y, width, height, rop) : FALSE;
  Canvas d = CanvasOf(dest);
  Canvas s = CanvasOf(source);
  if (!d.dc || !s.dc) return FALSE;
  if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return TRUE;
  if (!d.valid() || !s.surface) return TRUE;
  uint32_t pattern = 0;
  if (UsesPattern(code) && !Pattern(d.dc, &pattern)) return TRUE;

  // A negative extent runs from the given corner towards smaller coordinates, so opposite
  // signs on the two sides mirror the picture. Destination pixel k takes source pixel
  // k * |source extent| / |destination extent| from the source's corner.
  const long long aw = std::llabs(1LL * width), ah = std::llabs(1LL * height);
  const long long asw = std::llabs(1LL * sourceWidth), ash = std::llabs(1LL * sourceHeight);
  const int dxStep = width > 0 ? 1 : -1, dyStep = height > 0 ? 1 : -1;
  const int sxStep = sourceWidth > 0 ? 1 : -1, syStep = sourceHeight > 0 ? 1 : -1;
  long long left = width > 0 ? x : 1LL * x - aw + 1, top = height > 0 ? y : 1LL * y - ah + 1;
  RECT destRect = d.ToSurface(RECT{static_cast<LONG>(std::clamp<long long>(left, INT32_MIN / 2, INT32_MAX / 2)),
                                   static_cast<LONG>(std::clamp<long long>(top, INT32_MIN / 2, INT32_MAX / 2)),
                                   static_cast<LONG>(std::clamp<long long>(left + aw, INT32_MIN / 2, INT32_MAX / 2)),
                                   static_cast<LONG>(std::clamp<long long>(top + ah, INT32_MIN / 2, INT32_MAX / 2))});
  const Surface* src = s.surface;
  // Copying within one surface reads from a snapshot, so overlapping areas come out right.
  Surface snapshot;
  if (s.surface == d.surface) {
    snapshot = *s.surface;
    src = &snapshot;
  }
  const long long sx0 = 1LL * sourceX + s.ox, sy0 = 1LL * sourceY + s.oy;
  const long long dx0 = 1LL * x + d.ox, dy0 = 1LL * y + d.oy;
  const bool plainCopy = code == 0xCC;

  // The usual case, a same-size copy in one direction, goes row by row.
  const bool straight = plainCopy && aw == asw && ah == ash && width > 0 && height > 0 && sourceWidth > 0 &&
                        sourceHeight > 0;
  std::vector<int> columns;
  for (const RECT& clip : *d.clip) {
    RECT area = IntersectRects(destRect, clip);
    if (RectEmpty(area)) continue;
    if (straight) {
      // Limit the area to destination pixels that have a source pixel.
      long long shiftX = sx0 - dx0, shiftY = sy0 - dy0;
      long long left = std::max<long long>(area.left, -shiftX), right = std::min<long long>(area.right, src->width() - shiftX);
      long long top = std::max<long long>(area.top, -shiftY), bottom = std::min<long long>(area.bottom, src->height() - shiftY);
      if (left >= right) continue;
      for (long long py = top; py < bottom; ++py)
        std::copy(src->row(static_cast<int>(py + shiftY)) + (left + shiftX),
                  src->row(static_cast<int>(py + shiftY)) + (right + shiftX), d.surface->row(static_cast<int>(py)) + left);
      continue;
    }
    columns.assign(area.right - area.left, -1);
    for (LONG px = area.left; px < area.right; ++px) {
      long long k = (px - dx0) * dxStep;
      long long sx = sx0 + sxStep * (k * asw / aw);
      if (sx >= 0 && sx < src->width()) columns[px - area.left] = static_cast<int>(sx);
    }
    for (LONG py = area.top; py < area.bottom; ++py) {
      long long k = (py - dy0) * dyStep;
      long long sy = sy0 + syStep * (k * ash / ah);
      if (sy < 0 || sy >= src->height()) continue;
      const uint32_t* in = src->row(static_cast<int>(sy));
      uint32_t* out = d.surface->row(py);
      for (LONG px = area.left; px < area.right; ++px) {
        int sx = columns[px - area.left];
        if (sx < 0) continue;
        out[px] = plainCopy ? in[sx] : Rop3(code, pattern, in[sx] & 0xFFFFFF, out[px]);
      }
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}
