// Showing, moving, sizing and stacking windows; coordinates; window regions.
#include <algorithm>

#include "platform/gdi_bridge.h"
#include "user/window_system.h"
#include "user/z_order.h"

namespace platform {

void RecalcClient(Window* w) {
  NCCALCSIZE_PARAMS params{};
  params.rgrc[0] = w->rect;
  Send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&params));
  RECT c = params.rgrc[0];
  c.left = std::clamp(c.left, w->rect.left, w->rect.right);
  c.right = std::clamp(c.right, c.left, w->rect.right);
  c.top = std::clamp(c.top, w->rect.top, w->rect.bottom);
  c.bottom = std::clamp(c.bottom, c.top, w->rect.bottom);
  w->client = RECT{c.left - w->rect.left, c.top - w->rect.top, c.right - w->rect.left,
                   c.bottom - w->rect.top};
}

}  // namespace platform

using namespace platform;

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  State& s = S();
  Window* w = FromHandle(hwnd);
  if (!w || w == s.desktop) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool show = (flags & SWP_SHOWWINDOW) && !wasVisible;
  bool hide = (flags & SWP_HIDEWINDOW) && wasVisible;
  if (show || hide) {
    Send(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = FromHandle(hwnd))) return FALSE;
  }

  auto before = ScreenOwnership();
  RECT old = w->rect;
  RECT next = old;
  if (!(flags & SWP_NOMOVE)) {
    next.right = x + (old.right - old.left);
    next.bottom = y + (old.bottom - old.top);
    next.left = x;
    next.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    next.right = next.left + std::max(0, width);
    next.bottom = next.top + std::max(0, height);
  }
  bool moved = next.left != old.left || next.top != old.top;
  bool sized = (next.right - next.left) != (old.right - old.left) ||
               (next.bottom - next.top) != (old.bottom - old.top);
  w->rect = next;
  if (sized || (flags & SWP_FRAMECHANGED)) RecalcClient(w);
  bool restacked = false;
  if (!(flags & SWP_NOZORDER)) restacked = InsertInZOrder(w, insertAfter);
  if (show) w->style |= WS_VISIBLE;
  if (hide) w->style &= ~WS_VISIBLE;

  if (!(flags & SWP_NOREDRAW)) {
    bool whole = moved || sized || show || (flags & SWP_FRAMECHANGED);
    if (whole || restacked || hide) ExposeChanges(before, whole ? w : nullptr);
  }
  if (moved) {
    POINT c{w->rect.left + w->client.left, w->rect.top + w->client.top};
    Send(w, WM_MOVE, 0, MAKELPARAM(c.x, c.y));
    if (!(w = FromHandle(hwnd))) return TRUE;
  }
  if (sized) {
    Send(w, WM_SIZE, SIZE_RESTORED,
         MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
    if (!(w = FromHandle(hwnd))) return TRUE;
  }
  if (hide) {
    WindowGoingAway(w);
  } else if (IsTopLevel(w) && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE) &&
             !(w->exStyle & WS_EX_NOACTIVATE) && (show || !(flags & SWP_NOZORDER))) {
    Activate(w, false);
  }
  if (s.titleBar && IsTopLevel(w)) TitleChanged();
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  switch (command) {
    case SW_HIDE:
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!wasVisible) return FALSE;
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW | SWP_NOACTIVATE);
      return wasVisible;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      flags |= SWP_NOACTIVATE;
      break;
    default:
      break;
  }
  if (wasVisible) {
    // Showing a shown window activates it (unless told otherwise) and changes nothing else.
    if (!(flags & SWP_NOACTIVATE) && IsTopLevel(w) && !(w->exStyle & WS_EX_NOACTIVATE))
      Activate(w, false);
    return TRUE;
  }
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
  return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && ReallyVisible(w) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = ScreenRect(w, Area::Whole);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  Window* w = FromHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  Window* w = FromHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from) {
    Window* w = FromHandle(from);
    if (!w) return 0;
    a = ClientOrigin(w);
  }
  if (to) {
    Window* w = FromHandle(to);
    if (!w) return 0;
    b = ClientOrigin(w);
  }
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  const Region* r = region ? RegionOfHandle(region) : nullptr;
  if (region && !r) return 0;
  auto before = ScreenOwnership();
  if (r)
    w->shape = *r;
  else
    w->shape.reset();
  // The window owns the region now.
  if (region) DeleteObject(region);
  if (redraw) ExposeChanges(before, w);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  Window* w = FromHandle(hwnd);
  if (!w || !region || !w->shape) return ERROR;
  HRGN tmp = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& r : w->shape->rects()) {
    HRGN part = CreateRectRgnIndirect(&r);
    CombineRgn(tmp, tmp, part, RGN_OR);
    DeleteObject(part);
  }
  CombineRgn(region, tmp, nullptr, RGN_COPY);
  DeleteObject(tmp);
  if (w->shape->empty()) return NULLREGION;
  return w->shape->rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
