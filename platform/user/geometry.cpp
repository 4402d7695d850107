// Where windows are on the screen, what of them shows, and which window is under a point.
#include "user/window_system.h"

namespace platform {

namespace {

RECT Offset(RECT r, LONG dx, LONG dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
  return r;
}

// The window's area on screen as its region shapes it.
Region ShapedArea(const Window* w) {
  RECT whole = ScreenRect(w, Area::Whole);
  Region r(whole);
  if (w->shape) {
    Region s = *w->shape;
    s.offset(whole.left, whole.top);
    r.intersect(s);
  }
  return r;
}

void ClipToSiblingsAbove(const Window* w, Region& r) {
  const Window* parent = w->parent;
  if (!parent) return;
  bool clip = parent == S().desktop || (w->style & WS_CLIPSIBLINGS);
  if (!clip) return;
  for (const Window* s : parent->children) {
    if (s == w) break;
    if (s->style & WS_VISIBLE) r.subtract(ShapedArea(s));
    if (r.empty()) return;
  }
}

Region VisibleRegionImpl(const Window* w, Area area, bool clipChildren) {
  if (!ReallyVisible(w)) return Region();
  Region r(ScreenRect(w, area));
  if (w->shape) {
    RECT whole = ScreenRect(w, Area::Whole);
    Region s = *w->shape;
    s.offset(whole.left, whole.top);
    r.intersect(s);
  }
  ClipToSiblingsAbove(w, r);
  for (const Window* c = w; c->parent && !r.empty(); c = c->parent) {
    const Window* p = c->parent;
    r.intersect(ScreenRect(p, Area::Client));
    if (p->shape) {
      RECT whole = ScreenRect(p, Area::Whole);
      Region s = *p->shape;
      s.offset(whole.left, whole.top);
      r.intersect(s);
    }
    ClipToSiblingsAbove(p, r);
  }
  if (clipChildren && (w->style & WS_CLIPCHILDREN)) {
    for (const Window* child : w->children)
      if (child->style & WS_VISIBLE) r.subtract(ShapedArea(child));
  }
  return r;
}

void Own(const Window* w, Region& covered, std::unordered_map<const Window*, Region>& out) {
  for (const Window* child : w->children) Own(child, covered, out);
  Region v = VisibleRegionImpl(w, Area::Whole, false);
  v.subtract(covered);
  covered.unite(v);
  out[w] = std::move(v);
}

Window* FindIn(Window* parent, POINT pt, bool skipDisabled, bool* disabledChild) {
  for (Window* child : parent->children) {
    if (!(child->style & WS_VISIBLE)) continue;
    RECT r = ScreenRect(child, Area::Whole);
    if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) continue;
    if (child->shape && !child->shape->contains(pt.x - r.left, pt.y - r.top)) continue;
    if (child->style & WS_DISABLED) {
      if (skipDisabled) {
        *disabledChild = true;
        return nullptr;
      }
      return child;
    }
    RECT c = ScreenRect(child, Area::Client);
    if (pt.x >= c.left && pt.x < c.right && pt.y >= c.top && pt.y < c.bottom) {
      bool deeperDisabled = false;
      if (Window* deeper = FindIn(child, pt, skipDisabled, &deeperDisabled)) return deeper;
    }
    return child;
  }
  return nullptr;
}

}  // namespace

RECT ScreenRect(const Window* w, Area area) {
  POINT origin{0, 0};
  if (w->parent) origin = ClientOrigin(w->parent);
  RECT r = Offset(w->rect, origin.x, origin.y);
  if (area == Area::Client) {
    RECT c = Offset(w->client, r.left, r.top);
    return c;
  }
  return r;
}

POINT ClientOrigin(const Window* w) {
  LONG x = w->rect.left + w->client.left;
  LONG y = w->rect.top + w->client.top;
  for (const Window* p = w->parent; p; p = p->parent) {
    x += p->rect.left + p->client.left;
    y += p->rect.top + p->client.top;
  }
  return POINT{x, y};
}

bool ReallyVisible(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE) || w->destroyed) return false;
  return true;
}

bool ReallyEnabled(const Window* w) {
  for (; w && w != S().desktop; w = w->parent)
    if (w->style & WS_DISABLED) return false;
  return true;
}

Region VisibleRegion(const Window* w, Area area) { return VisibleRegionImpl(w, area, true); }

std::unordered_map<const Window*, Region> ScreenOwnership() {
  std::unordered_map<const Window*, Region> out;
  Region covered;
  if (S().desktop) Own(S().desktop, covered, out);
  return out;
}

void ExposeChanges(const std::unordered_map<const Window*, Region>& before, const Window* moved) {
  auto after = ScreenOwnership();
  for (auto& [cw, region] : after) {
    Window* w = const_cast<Window*>(cw);
    Region fresh = region;
    bool whole = moved && (w == moved || IsDescendant(moved, w));
    if (!whole) {
      auto it = before.find(cw);
      if (it != before.end()) fresh.subtract(it->second);
    }
    if (fresh.empty()) continue;
    RECT client = ScreenRect(w, Area::Client);
    Region inClient = fresh;
    inClient.intersect(client);
    Region frame = fresh;
    frame.subtract(client);
    if (!frame.empty()) w->frameDirty = true;
    if (!inClient.empty()) {
      inClient.offset(-client.left, -client.top);
      AddUpdate(w, inClient, true, false);
    }
  }
  MarkScreenDirty();
}

Window* HitTest(POINT pt, bool skipDisabled) {
  Window* desktop = S().desktop;
  if (!desktop) return nullptr;
  bool disabledChild = false;
  for (Window* top : desktop->children) {
    if (!(top->style & WS_VISIBLE)) continue;
    RECT r = ScreenRect(top, Area::Whole);
    if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) continue;
    if (top->shape && !top->shape->contains(pt.x - r.left, pt.y - r.top)) continue;
    if (top->style & WS_DISABLED) return top;  // the caller drops the input
    RECT c = ScreenRect(top, Area::Client);
    if (pt.x >= c.left && pt.x < c.right && pt.y >= c.top && pt.y < c.bottom) {
      if (Window* deeper = FindIn(top, pt, skipDisabled, &disabledChild)) return deeper;
    }
    return top;
  }
  return desktop;
}

}  // namespace platform
