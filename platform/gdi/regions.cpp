// Region objects and the DC's clip region.
#include "gdi/raster.h"

namespace platform::gdi {

namespace {

int Complexity(const Region& r) {
  if (r.empty()) return NULLREGION;
  return r.rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Normalized(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  return RECT{left, top, right, bottom};
}

// The clip region of a DC in logical coordinates, or the whole drawable area without one.
Region VisibleArea(DcObject* dc) {
  Region area;
  for (const RECT& r : ClipRects(dc)) area.unite(r);
  if (!dc->memory) area.offset(-dc->origin.x, -dc->origin.y);
  return area;
}

int SetClip(DcObject* dc, std::optional<Region> clip) {
  dc->state.clip = std::move(clip);
  InvalidateClip(dc);
  Region visible = VisibleArea(dc);
  return Complexity(visible);
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;
using platform::Region;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<RegionObject>();
  r->region = Region(Normalized(left, top, right, bottom));
  return static_cast<HRGN>(Register(std::move(r)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

BOOL SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
  RegionObject* r = Rgn(handle);
  if (!r) return FALSE;
  r->region = Region(Normalized(left, top, right, bottom));
  return TRUE;
}

int CombineRgn(HRGN dest, HRGN source1, HRGN source2, int mode) {
  RegionObject* d = Rgn(dest);
  RegionObject* a = Rgn(source1);
  RegionObject* b = mode == RGN_COPY ? nullptr : Rgn(source2);
  if (!d || !a || (mode != RGN_COPY && !b) || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  Region result = a->region;
  switch (mode) {
    case RGN_AND: result.intersect(b->region); break;
    case RGN_OR: result.unite(b->region); break;
    case RGN_DIFF: result.subtract(b->region); break;
    case RGN_XOR: {
      Region other = b->region;
      other.subtract(a->region);
      result.subtract(b->region);
      result.unite(other);
      break;
    }
    default: break;
  }
  d->region = std::move(result);
  return Complexity(d->region);
}

int OffsetRgn(HRGN handle, int dx, int dy) {
  RegionObject* r = Rgn(handle);
  if (!r) return ERROR;
  r->region.offset(dx, dy);
  return Complexity(r->region);
}

BOOL PtInRegion(HRGN handle, int x, int y) {
  RegionObject* r = Rgn(handle);
  return r && r->region.contains(x, y);
}

BOOL RectInRegion(HRGN handle, const RECT* rect) {
  RegionObject* r = Rgn(handle);
  return r && rect && r->region.intersects(*rect);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  RegionObject* ra = Rgn(a);
  RegionObject* rb = Rgn(b);
  return ra && rb && ra->region == rb->region;
}

int GetRgnBox(HRGN handle, LPRECT rect) {
  RegionObject* r = Rgn(handle);
  if (!r || !rect) return ERROR;
  *rect = r->region.bounds();
  return Complexity(r->region);
}

int SelectClipRgn(HDC handle, HRGN region) { return ExtSelectClipRgn(handle, region, RGN_COPY); }

int ExtSelectClipRgn(HDC handle, HRGN region, int mode) {
  DcObject* dc = Dc(handle);
  if (!dc) return ERROR;
  if (!region) {
    if (mode != RGN_COPY) return ERROR;
    return SetClip(dc, std::nullopt);
  }
  RegionObject* r = Rgn(region);
  if (!r || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) return SetClip(dc, r->region);
  // Combining with "no clip region" combines with everything the DC can draw on.
  Region current = dc->state.clip ? *dc->state.clip : VisibleArea(dc);
  switch (mode) {
    case RGN_AND: current.intersect(r->region); break;
    case RGN_OR: current.unite(r->region); break;
    case RGN_DIFF: current.subtract(r->region); break;
    case RGN_XOR: {
      Region other = r->region;
      other.subtract(current);
      current.subtract(r->region);
      current.unite(other);
      break;
    }
  }
  return SetClip(dc, std::move(current));
}

int GetClipRgn(HDC handle, HRGN region) {
  DcObject* dc = Dc(handle);
  RegionObject* r = Rgn(region);
  if (!dc || !r) return -1;
  if (!dc->state.clip) return 0;
  r->region = *dc->state.clip;
  return 1;
}

int GetClipBox(HDC handle, LPRECT rect) {
  DcObject* dc = Dc(handle);
  if (!dc || !rect) return ERROR;
  Region visible = VisibleArea(dc);
  *rect = visible.bounds();
  return Complexity(visible);
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  DcObject* dc = Dc(handle);
  if (!dc) return ERROR;
  Region current = dc->state.clip ? *dc->state.clip : VisibleArea(dc);
  current.intersect(Normalized(left, top, right, bottom));
  return SetClip(dc, std::move(current));
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  DcObject* dc = Dc(handle);
  if (!dc) return ERROR;
  Region current = dc->state.clip ? *dc->state.clip : VisibleArea(dc);
  current.subtract(Normalized(left, top, right, bottom));
  return SetClip(dc, std::move(current));
}

BOOL PtVisible(HDC handle, int x, int y) {
  Canvas c = CanvasOf(handle);
  return c.visible(x, y);
}
