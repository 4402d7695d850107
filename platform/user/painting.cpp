// Update regions, the paint cycle and device contexts on the screen.
#include <unordered_map>

#include "platform/gdi_bridge.h"
#include "user/window_system.h"

namespace platform {

namespace {

// DCs handed out by GetDC/BeginPaint, so ReleaseDC can tell its own from others.
std::unordered_map<HDC, HWND>& ScreenDCs() {
  static std::unordered_map<HDC, HWND> dcs;
  return dcs;
}

RECT ClientBounds(const Window* w) {
  return RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
}

Window* FindPaintable(Window* w) {
  if (!(w->style & WS_VISIBLE) || !w->redraw || w->destroyed) return nullptr;
  if (!w->update.empty() || w->frameDirty || w->internalPaint) return w;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
    if (Window* found = FindPaintable(*it)) return found;
  return nullptr;
}

void RemoveUpdate(Window* w, const Region* clientRegion, bool children) {
  if (clientRegion) {
    w->update.subtract(*clientRegion);
  } else {
    w->update.clear();
    w->internalPaint = false;
  }
  if (w->update.empty()) w->erase = false;
  if (!children) return;
  for (Window* c : w->children) {
    if (clientRegion) {
      Region part = *clientRegion;
      part.offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
      RemoveUpdate(c, &part, true);
    } else {
      RemoveUpdate(c, nullptr, true);
    }
  }
}

Region RegionFromRect(const Window* w, const RECT* rect) {
  if (!rect) return Region(ClientBounds(w));
  return Region(*rect);
}

int invalidations = 0;  // bumped by every invalidation; lets a paint see it was re-invalidated

}  // namespace

void MarkScreenDirty() { S().dirty = true; }

void AddUpdate(Window* w, const Region& clientRegion, bool erase, bool children) {
  Region r = clientRegion;
  r.intersect(ClientBounds(w));
  ++invalidations;
  if (!r.empty()) {
    w->update.unite(r);
    if (erase) w->erase = true;
  }
  if (!children || (w->style & WS_CLIPCHILDREN)) return;
  // Without WS_CLIPCHILDREN the parent's paint covers its children: they repaint too.
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE)) continue;
    Region part = clientRegion;
    part.intersect(c->rect);
    if (part.empty()) continue;
    part.offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
    RECT cc = ClientBounds(c);
    Region inFrame = part;
    inFrame.subtract(cc);
    if (!inFrame.empty()) c->frameDirty = true;
    AddUpdate(c, part, erase, true);
  }
}

void InvalidateWhole(Window* w, bool erase) {
  AddUpdate(w, Region(ClientBounds(w)), erase, true);
  if (w->client.left || w->client.top || w->client.right != w->rect.right - w->rect.left ||
      w->client.bottom != w->rect.bottom - w->rect.top)
    w->frameDirty = true;
}

Window* NextWindowToPaint(Window* within) {
  if (!within) within = S().desktop;
  return within ? FindPaintable(within) : nullptr;
}

int InvalidationCount() { return invalidations; }

// A procedure that answers WM_PAINT without validating would be sent WM_PAINT for ever;
// the layer validates for it instead.
void AfterPaintMessage(HWND hwnd, int countBefore) {
  Window* w = FromHandle(hwnd);
  if (!w || invalidations != countBefore) return;
  w->update.clear();
  w->erase = false;
  w->frameDirty = false;
  w->internalPaint = false;
}

}  // namespace platform

using namespace platform;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    EnsureStarted();
    for (auto& [h, w] : S().windows) InvalidateWhole(w.get(), erase != FALSE);
    return TRUE;
  }
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  AddUpdate(w, RegionFromRect(w, rect), erase != FALSE, true);
  return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  const Region* r = region ? RegionOfHandle(region) : nullptr;
  if (region && !r) return FALSE;
  AddUpdate(w, r ? *r : Region(ClientBounds(w)), erase != FALSE, true);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  Region r = RegionFromRect(w, rect);
  RemoveUpdate(w, rect ? &r : nullptr, !(w->style & WS_CLIPCHILDREN));
  return TRUE;
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  const Region* r = region ? RegionOfHandle(region) : nullptr;
  RemoveUpdate(w, r, !(w->style & WS_CLIPCHILDREN));
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  RECT b = w->update.bounds();
  if (rect) *rect = b;
  bool any = !w->update.empty();
  if (any && erase && w->erase) {
    HDC dc = GetDC(hwnd);
    w->erase = false;
    if (dc) {
      Region clip = VisibleRegion(w, Area::Client);
      Region upd = w->update;
      POINT o = ClientOrigin(w);
      upd.offset(o.x, o.y);
      clip.intersect(upd);
      SetSurfaceDCClip(dc, o, clip);
      Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      ReleaseDC(hwnd, dc);
    }
  }
  return any ? TRUE : FALSE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  Window* w = FromHandle(hwnd);
  if (!w || !region) return ERROR;
  Region copy = w->update;
  RECT b = copy.bounds();
  // The caller's region object takes the update region's rectangles.
  HRGN tmp = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& r : copy.rects()) {
    HRGN part = CreateRectRgnIndirect(&r);
    CombineRgn(tmp, tmp, part, RGN_OR);
    DeleteObject(part);
  }
  CombineRgn(region, tmp, nullptr, RGN_COPY);
  DeleteObject(tmp);
  if (erase) {
    RECT ignored;
    GetUpdateRect(hwnd, &ignored, TRUE);
  }
  if (copy.empty()) return NULLREGION;
  return copy.rects().size() == 1 && !RectEmpty(b) ? SIMPLEREGION : COMPLEXREGION;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (!ReallyVisible(w) || !w->redraw) return TRUE;
  if (w->update.empty() && !w->frameDirty && !w->internalPaint) return TRUE;
  // A parent without WS_CLIPCHILDREN that still has to paint would cover this window
  // afterwards and leave it covered: the parent paints first, as in the paint cycle.
  for (Window* p = w->parent; p && p->parent && !(p->style & WS_CLIPCHILDREN); p = p->parent) {
    if (p->update.empty()) continue;
    HWND child = hwnd;
    UpdateWindow(p->handle);
    if (!(w = FromHandle(child))) return TRUE;
    break;
  }
  if (w->update.empty() && !w->frameDirty && !w->internalPaint) return TRUE;
  int before = InvalidationCount();
  Send(w, WM_PAINT, 0, 0);
  AfterPaintMessage(hwnd, before);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  Window* w = hwnd ? FromHandle(hwnd) : S().desktop;
  if (!w) return FALSE;
  Region r = region && RegionOfHandle(region) ? *RegionOfHandle(region) : RegionFromRect(w, rect);
  bool children = (flags & RDW_ALLCHILDREN) ||
                  (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (flags & RDW_INVALIDATE) {
    Region part = r;
    part.intersect(ClientBounds(w));
    if (!part.empty()) {
      w->update.unite(part);
      if (flags & RDW_ERASE) w->erase = true;
    }
    if (flags & RDW_FRAME) w->frameDirty = true;
    if (children) {
      for (Window* c : w->children) {
        if (!(c->style & WS_VISIBLE)) continue;
        Region cpart = r;
        cpart.intersect(c->rect);
        if (cpart.empty()) continue;
        cpart.offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
        AddUpdate(c, cpart, (flags & RDW_ERASE) != 0, true);
      }
    }
  }
  if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
  if (flags & RDW_VALIDATE) RemoveUpdate(w, rect || region ? &r : nullptr, children);
  if (flags & RDW_NOERASE) w->erase = false;
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    UpdateWindow(w->handle);
    if (children) {
      std::vector<HWND> list;
      for (Window* c : w->children) list.push_back(c->handle);
      for (HWND c : list) RedrawWindow(c, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
  }
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  Window* w = FromHandle(hwnd);
  if (!w || !ps) return nullptr;
  State& s = S();
  *ps = PAINTSTRUCT{};
  if (w->frameDirty) {
    w->frameDirty = false;
    Send(w, WM_NCPAINT, 1, 0);
    if (!(w = FromHandle(hwnd))) return nullptr;
  }
  Region update = w->update;
  update.intersect(ClientBounds(w));
  bool erase = w->erase;
  w->update.clear();
  w->erase = false;
  w->internalPaint = false;

  POINT origin = ClientOrigin(w);
  Region clip = VisibleRegion(w, Area::Client);
  Region screenUpdate = update;
  screenUpdate.offset(origin.x, origin.y);
  clip.intersect(screenUpdate);
  HDC dc = CreateSurfaceDC(&s.screen, origin, clip);
  if (!dc) return nullptr;
  ScreenDCs()[dc] = hwnd;
  MarkScreenDirty();
  ps->hdc = dc;
  ps->rcPaint = update.bounds();
  ps->fErase = FALSE;
  if (erase) ps->fErase = Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  auto& dcs = ScreenDCs();
  auto it = dcs.find(ps->hdc);
  if (it == dcs.end()) return FALSE;
  dcs.erase(it);
  DeleteSurfaceDC(ps->hdc);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  EnsureStarted();
  State& s = S();
  HDC dc = nullptr;
  if (!hwnd) {
    RECT all{0, 0, s.screen.width(), s.screen.height()};
    dc = CreateSurfaceDC(&s.screen, POINT{0, 0}, Region(all));
  } else {
    Window* w = FromHandle(hwnd);
    if (!w) return nullptr;
    dc = CreateSurfaceDC(&s.screen, ClientOrigin(w), VisibleRegion(w, Area::Client));
  }
  if (dc) {
    ScreenDCs()[dc] = hwnd;
    MarkScreenDirty();
  }
  return dc;
}

HDC GetWindowDC(HWND hwnd) {
  if (!hwnd) return GetDC(nullptr);
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  RECT r = ScreenRect(w, Area::Whole);
  HDC dc = CreateSurfaceDC(&S().screen, POINT{r.left, r.top}, VisibleRegion(w, Area::Whole));
  if (dc) {
    ScreenDCs()[dc] = hwnd;
    MarkScreenDirty();
  }
  return dc;
}

int ReleaseDC(HWND, HDC dc) {
  auto& dcs = ScreenDCs();
  auto it = dcs.find(dc);
  if (it == dcs.end()) return 0;
  dcs.erase(it);
  DeleteSurfaceDC(dc);
  return 1;
}
