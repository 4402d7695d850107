// Lines in the current pen: the end point is never drawn, so a chain of LineTo calls
// covers every pixel exactly once.
#include <cstdlib>

#include "gdi/pen_stroke.h"
#include "gdi/raster.h"

namespace platform::gdi {

PenStroke StrokeOf(const Canvas& c) {
  PenStroke s;
  PenObject* pen = Pen(c.dc->state.pen);
  if (!pen || pen->log.lopnStyle == PS_NULL) return s;
  s.visible = true;
  s.pixel = ToPixel(pen->log.lopnColor);
  s.width = pen->log.lopnWidth.x > 1 ? pen->log.lopnWidth.x : 1;
  return s;
}

void Stamp(Canvas& c, const PenStroke& s, int x, int y) {
  if (s.width == 1) return c.Plot(x, y, s.pixel);
  int from = -(s.width - 1) / 2;
  c.FillRect(RECT{x + from, y + from, x + from + s.width, y + from + s.width}, s.pixel);
}

void StrokeLine(Canvas& c, const PenStroke& s, int x0, int y0, int x1, int y1) {
  if (!s.visible) return;
  long long dx = 1LL * x1 - x0, dy = 1LL * y1 - y0;
  long long adx = std::llabs(dx), ady = std::llabs(dy);
  if (s.width == 1 && dy == 0) {
    // The common case: horizontal rules and frames.
    if (dx > 0) c.FillSpan(y0, x0, x1, s.pixel);
    else if (dx < 0) c.FillSpan(y0, x1 + 1, x0 + 1, s.pixel);
    return;
  }
  long long steps = adx > ady ? adx : ady;
  int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  // Only the steps whose major coordinate lies on the surface can show, so a line that
  // starts far away is not walked pixel by pixel.
  long long major0 = adx >= ady ? x0 : y0;
  int dir = adx >= ady ? sx : sy;
  long long lo = (adx >= ady ? -1LL * c.ox : -1LL * c.oy) - s.width;
  long long hi = (adx >= ady ? 1LL * c.surface->width() - c.ox : 1LL * c.surface->height() - c.oy) + s.width;
  long long first = dir > 0 ? lo - major0 : major0 - hi;
  long long last = (dir > 0 ? hi - major0 : major0 - lo) + 1;
  if (first < 0) first = 0;
  if (last > steps) last = steps;
  for (long long i = first; i < last; ++i) {
    // The minor coordinate is rounded to the nearest pixel, halves towards the start.
    long long px, py;
    if (adx >= ady) {
      px = x0 + sx * i;
      py = y0 + sy * static_cast<long long>((static_cast<__int128>(2) * i * ady + adx - 1) / (2 * adx));
    } else {
      py = y0 + sy * i;
      px = x0 + sx * static_cast<long long>((static_cast<__int128>(2) * i * adx + ady - 1) / (2 * ady));
    }
    Stamp(c, s, static_cast<int>(px), static_cast<int>(py));
  }
}

}  // namespace platform::gdi

using namespace platform::gdi;

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  DcObject* dc = Dc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.position;
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, LPPOINT position) {
  DcObject* dc = Dc(handle);
  if (!dc || !position) return FALSE;
  *position = dc->state.position;
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  DcObject* dc = Dc(handle);
  if (!dc) return FALSE;
  Canvas c = CanvasOf(handle);
  POINT from = dc->state.position;
  if (c.valid()) StrokeLine(c, StrokeOf(c), from.x, from.y, x, y);
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  if (!Dc(handle) || !points || count < 2) return FALSE;
  Canvas c = CanvasOf(handle);
  if (!c.valid()) return TRUE;
  PenStroke s = StrokeOf(c);
  for (int i = 1; i < count; ++i) StrokeLine(c, s, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  return TRUE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
  Canvas c = CanvasOf(handle);
  if (!c.visible(x, y)) return CLR_INVALID;
  return platform::ColorrefFromPixel(c.surface->row(y + c.oy)[x + c.ox]);
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  Canvas c = CanvasOf(handle);
  if (!c.visible(x, y)) return static_cast<COLORREF>(-1);
  c.Plot(x, y, ToPixel(color));
  return color & 0xFFFFFF;
}
