// Filled shapes: the outline in the current pen, the inside in the current brush.
// As on the platform, the right and bottom edges given are not covered, and with the
// null pen the filled area is one pixel smaller in width and height.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "gdi/pen_stroke.h"
#include "gdi/raster.h"
#include "platform/winuser.h"

namespace platform::gdi {

namespace {

bool BrushPixel(HGDIOBJ handle, uint32_t* pixel) {
  BrushObject* b = Brush(handle);
  if (!b || b->log.lbStyle != BS_SOLID) return false;
  *pixel = ToPixel(b->log.lbColor);
  return true;
}

void Order(int& a, int& b) {
  if (a > b) std::swap(a, b);
}

// One row of a rounded shape: the outline runs [outer, inner] on the left and their
// mirror images on the right; the fill lies between them.
struct Row {
  int outer, inner;  // offsets from the left edge
};

// The left quarter-ellipse rows of a corner ellipse `w` x `h` pixels (w, h >= 3), from the
// top row down to the row of the ellipse's centre. Each pixel is the one nearest the exact
// ellipse through the pixel centres, stepped along the major direction of the curve.
std::vector<Row> CornerRows(int w, int h) {
  double a = (w - 1) / 2.0, b = (h - 1) / 2.0;
  int rows = static_cast<int>(std::floor(b)) + 1;
  int cols = static_cast<int>(std::floor(a)) + 1;
  std::vector<Row> out(rows, Row{cols, -1});
  auto put = [&](int x, int y) {
    if (y < 0 || y >= rows || x < 0) return;
    out[y].outer = std::min(out[y].outer, x);
    out[y].inner = std::max(out[y].inner, x);
  };
  auto nearest = [](double v) { return static_cast<int>(std::floor(v + 0.5 - 1e-9)); };
  double knee = 1.0 / std::sqrt(a * a + b * b);  // where the slope is 1
  for (int x = 0; x < cols; ++x) {
    double dx = a - x;
    if (dx > a * a * knee + 1e-9) continue;
    double t = 1.0 - (dx * dx) / (a * a);
    put(x, nearest(b - b * std::sqrt(t > 0 ? t : 0)));
  }
  for (int y = 0; y < rows; ++y) {
    double dy = b - y;
    if (dy > b * b * knee + 1e-9) continue;
    double t = 1.0 - (dy * dy) / (b * b);
    put(nearest(a - a * std::sqrt(t > 0 ? t : 0)), y);
  }
  // Rows the curve crosses between columns inherit their neighbours' runs.
  for (int y = 1; y < rows; ++y)
    if (out[y].inner < 0) out[y] = Row{out[y - 1].outer, out[y - 1].outer};
  return out;
}

// An outline run [x0, x1] of row y in the pen.
void StrokeRun(Canvas& c, const PenStroke& pen, int y, int x0, int x1) {
  if (x1 < x0) return;
  if (pen.width == 1) return c.FillSpan(y, x0, x1 + 1, pen.pixel);
  // Wider pens: only the dots that can reach the surface.
  int lo = std::max(x0, -c.ox - pen.width), hi = std::min(x1, c.surface->width() - c.ox + pen.width);
  for (int x = lo; x <= hi; ++x) Stamp(c, pen, x, y);
}

// Draws a rectangle with rounded corners over the pixels [l, r] x [t, b] (inclusive).
void RoundedShape(Canvas& c, int l, int t, int r, int b, int ew, int eh, const PenStroke& pen,
                  bool fill, uint32_t fillPixel) {
  long long width = 1LL * r - l + 1, height = 1LL * b - t + 1;
  // Corner ellipses beyond any screen's size are drawn at that size.
  const int kMaxCorner = 4096;
  ew = static_cast<int>(std::min<long long>({1LL * ew, width, kMaxCorner}));
  eh = static_cast<int>(std::min<long long>({1LL * eh, height, kMaxCorner}));
  std::vector<Row> corner;
  if (ew >= 3 && eh >= 3) corner = CornerRows(ew, eh);
  int arcRows = static_cast<int>(corner.size());
  // Only rows that can reach the surface.
  int first = std::max(t, -c.oy - pen.width), last = std::min(b, c.surface->height() - c.oy + pen.width);
  for (int y = first; y <= last; ++y) {
    int k = std::min(y - t, b - y);  // distance from the nearer horizontal edge
    Row row{0, 0};
    if (k < arcRows) row = corner[k];
    int outerL = l + row.outer, innerL = l + row.inner;
    int outerR = r - row.outer, innerR = r - row.inner;
    if (!pen.visible) {
      if (fill) c.FillSpan(y, outerL, outerR + 1, fillPixel);
      continue;
    }
    if (k == 0) {
      StrokeRun(c, pen, y, outerL, outerR);
      continue;
    }
    if (fill && innerL + 1 <= innerR - 1) c.FillSpan(y, innerL + 1, innerR, fillPixel);
    StrokeRun(c, pen, y, outerL, innerL);
    StrokeRun(c, pen, y, std::max(innerR, innerL + 1), outerR);
  }
}

BOOL Shape(HDC handle, int left, int top, int right, int bottom, int ew, int eh) {
  Canvas c = CanvasOf(handle);
  if (!c.dc) return FALSE;
  if (!c.valid()) return TRUE;
  Order(left, right);
  Order(top, bottom);
  PenStroke pen = StrokeOf(c);
  uint32_t fillPixel = 0;
  bool fill = BrushPixel(c.dc->state.brush, &fillPixel);
  int r = right - 1, b = bottom - 1;
  if (!pen.visible) --r, --b;
  if (r < left || b < top) return TRUE;
  RoundedShape(c, left, top, r, b, ew, eh, pen, fill, fillPixel);
  return TRUE;
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return Shape(dc, left, top, right, bottom, 0, 0);
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return Shape(dc, left, top, right, bottom, std::abs(ellipseWidth), std::abs(ellipseHeight));
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return Shape(dc, left, top, right, bottom, std::abs(right - left), std::abs(bottom - top));
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  Canvas c = CanvasOf(handle);
  uint32_t pixel = 0;
  if (!c.dc || !rect) return 0;
  // As on the platform, a system colour index + 1 may stand for a brush.
  uintptr_t value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= 31) {
    c.FillRect(*rect, ToPixel(GetSysColor(static_cast<int>(value - 1))));
    return 1;
  }
  if (!Brush(brush)) return 0;
  if (BrushPixel(brush, &pixel)) c.FillRect(*rect, pixel);
  return 1;
}

BOOL FillRgn(HDC handle, HRGN region, HBRUSH brush) {
  Canvas c = CanvasOf(handle);
  RegionObject* rgn = Rgn(region);
  uint32_t pixel = 0;
  if (!c.dc || !rgn || !Brush(brush)) return FALSE;
  if (BrushPixel(brush, &pixel))
    for (const RECT& r : rgn->region.rects()) c.FillRect(r, pixel);
  return TRUE;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  Canvas c = CanvasOf(handle);
  uint32_t pixel = 0;
  if (!c.dc || !rect || !Brush(brush)) return 0;
  const RECT& r = *rect;
  if (r.right <= r.left || r.bottom <= r.top) return 1;
  if (!BrushPixel(brush, &pixel)) return 1;
  c.FillRect(RECT{r.left, r.top, r.right, r.top + 1}, pixel);
  c.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, pixel);
  c.FillRect(RECT{r.left, r.top, r.left + 1, r.bottom}, pixel);
  c.FillRect(RECT{r.right - 1, r.top, r.right, r.bottom}, pixel);
  return 1;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
  Canvas c = CanvasOf(handle);
  if (!c.dc || !rect) return FALSE;
  c.PatternRect(*rect, 0, DSTINVERT);
  return TRUE;
}

// A dotted frame inverted on every second pixel, so drawing it twice removes it.
BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  Canvas c = CanvasOf(handle);
  if (!c.dc || !rect) return FALSE;
  const RECT& r = *rect;
  if (!c.valid() || r.right <= r.left || r.bottom <= r.top) return TRUE;
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) != 0 || !c.visible(x, y)) return;
    uint32_t& p = c.surface->row(y + c.oy)[x + c.ox];
    p = ~p & 0xFFFFFF;
  };
  for (int x = r.left; x < r.right; ++x) {
    invert(x, r.top);
    if (r.bottom - 1 != r.top) invert(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    invert(r.left, y);
    if (r.right - 1 != r.left) invert(r.right - 1, y);
  }
  return TRUE;
}
