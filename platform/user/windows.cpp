// Creating and destroying windows, their relations, and finding them.
#include <algorithm>
#include <functional>

#include "user/instances.h"
#include "user/window_system.h"
#include "user/z_order.h"

namespace platform {

namespace {

void DefaultPlacement(bool child, int& x, int& y, int& width, int& height) {
  State& s = S();
  if (child) {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    return;
  }
  if (s.kind == ScreenKind::Handheld) {
    // As on the handheld: everything below the title bar, the menu bar area included.
    if (x == CW_USEDEFAULT) {
      x = 0;
      y = kTitleBarHeight;
    }
    if (width == CW_USEDEFAULT) {
      width = s.screen.width();
      height = s.screen.height() - kTitleBarHeight;
    }
    return;
  }
  static int cascade = 0;
  if (x == CW_USEDEFAULT) {
    x = s.workArea.left + 40 + 30 * (cascade % 8);
    y = s.workArea.top + 40 + 30 * (cascade % 8);
    ++cascade;
  }
  if (width == CW_USEDEFAULT) {
    width = std::min<int>(640, s.workArea.right - s.workArea.left);
    height = std::min<int>(480, s.workArea.bottom - s.workArea.top);
  }
}

void MarkDestroying(Window* w) {
  w->destroying = true;
  for (Window* c : w->children) MarkDestroying(c);
}

void SendDestroy(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return;
  Send(w, WM_DESTROY, 0, 0);
  w = FromHandle(hwnd);
  if (!w) return;
  std::vector<HWND> children;
  for (Window* c : w->children) children.push_back(c->handle);
  for (HWND c : children) SendDestroy(c);
}

void SendNcDestroy(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return;
  std::vector<HWND> children;
  for (Window* c : w->children) children.push_back(c->handle);
  for (HWND c : children) SendNcDestroy(c);
  w = FromHandle(hwnd);
  if (w) Send(w, WM_NCDESTROY, 0, 0);
}

void Bury(Window* w) {
  State& s = S();
  for (Window* c : w->children) Bury(c);
  w->children.clear();
  w->destroyed = true;
  KillWindowTimers(w->handle);
  PurgeWindowMessages(w->handle);
  if (w->cls) --w->cls->windows;
  auto it = s.windows.find(w->handle);
  if (it != s.windows.end()) {
    s.graveyard.push_back(std::move(it->second));
    s.windows.erase(it);
  }
}

}  // namespace

Window* FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& windows = S().windows;
  auto it = windows.find(hwnd);
  if (it == windows.end() || it->second->destroyed) return nullptr;
  return it->second.get();
}

Window* Root(Window* w) {
  while (w && w->parent && w->parent != S().desktop) w = w->parent;
  return w;
}

bool IsTopLevel(const Window* w) { return w && w->parent == S().desktop; }

bool IsDescendant(const Window* ancestor, const Window* w) {
  for (const Window* p = w ? w->parent : nullptr; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

void CollectGarbage() {
  State& s = S();
  if (s.procDepth == 0) s.graveyard.clear();
}

Window* NewWindow(std::shared_ptr<WindowClass> cls, Window* parent) {
  State& s = S();
  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(s.nextHandle);
  s.nextHandle += 4;  // the lowest bit stays free for the handheld's foreground convention
  w->cls = cls;
  w->proc = cls->proc;
  w->extra.assign(static_cast<size_t>(std::max(0, cls->windowExtraBytes)), 0);
  w->parent = parent;
  ++cls->windows;
  Window* raw = w.get();
  s.windows[raw->handle] = std::move(w);
  return raw;
}

}  // namespace platform

using namespace platform;

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  EnsureStarted();
  State& s = S();
  std::shared_ptr<WindowClass> cls = FindClass(className, true);
  if (!cls) {
    SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
    return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  Window* parentWindow = s.desktop;
  Window* owner = nullptr;
  if (child) {
    parentWindow = FromHandle(parent);
    if (!parentWindow) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  } else if (parent) {
    owner = Root(FromHandle(parent));
    if (!owner || owner == s.desktop) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  }
  DefaultPlacement(child, x, y, width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;

  Window* w = NewWindow(cls, parentWindow);
  w->style = style & ~WS_VISIBLE;
  w->exStyle = child ? (exStyle & ~WS_EX_TOPMOST) : exStyle;
  w->owner = owner;
  w->id = child ? reinterpret_cast<UINT_PTR>(menu) : 0;
  w->instance = instance;
  w->rect = RECT{x, y, x + width, y + height};
  w->client = RECT{0, 0, width, height};
  InsertInZOrder(w, HWND_TOP);
  HWND hwnd = w->handle;

  CREATESTRUCTW cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  if (!Send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FromHandle(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if (!(w = FromHandle(hwnd))) return nullptr;
  RecalcClient(w);
  if (Send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (FromHandle(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if (!(w = FromHandle(hwnd))) return nullptr;
  w->sizeSent = true;
  Send(w, WM_SIZE, SIZE_RESTORED,
       MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  if (!(w = FromHandle(hwnd))) return nullptr;
  Send(w, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
  if (!FromHandle(hwnd)) return nullptr;
  if (!child) InstanceWindowsChanged();
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return FromHandle(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  State& s = S();
  Window* w = FromHandle(hwnd);
  if (!w || w == s.desktop) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  MarkDestroying(w);

  // Owned windows go first, completely.
  std::vector<HWND> owned;
  for (Window* t : s.desktop->children)
    if (t->owner == w) owned.push_back(t->handle);
  for (HWND o : owned) DestroyWindow(o);
  if (!(w = FromHandle(hwnd))) return TRUE;

  if (w->style & WS_VISIBLE) {
    auto before = ScreenOwnership();
    w->style &= ~WS_VISIBLE;
    ExposeChanges(before, nullptr);
  }
  WindowGoingAway(w);

  SendDestroy(hwnd);
  SendNcDestroy(hwnd);
  if (!(w = FromHandle(hwnd))) return TRUE;
  Window* parent = w->parent;
  if (parent) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  }
  // Owned windows of a destroyed owner were destroyed above; clear stale owner links of any
  // created meanwhile.
  for (Window* t : s.desktop->children)
    if (t->owner == w) t->owner = nullptr;
  bool topLevel = parent == s.desktop;
  Bury(w);
  if (s.titleBar) TitleChanged();
  if (topLevel) InstanceWindowsChanged();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FromHandle(hwnd) ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = FromHandle(parent);
  Window* w = FromHandle(hwnd);
  if (!p || !w) return FALSE;
  for (Window* c = w; c && (c->style & WS_CHILD); c = c->parent)
    if (c->parent == p) return TRUE;
  return FALSE;
}

HWND GetDesktopWindow() {
  EnsureStarted();
  return S().desktop ? S().desktop->handle : nullptr;
}

HWND GetParent(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent ? w->parent->handle : nullptr;
  return w->owner ? w->owner->handle : nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  State& s = S();
  Window* w = FromHandle(hwnd);
  Window* p = newParent ? FromHandle(newParent) : s.desktop;
  if (!w || !p || w == s.desktop || p == w || IsDescendant(w, p)) return nullptr;
  HWND old = w->parent ? w->parent->handle : nullptr;
  auto before = ScreenOwnership();
  auto& siblings = w->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  w->parent = p;
  InsertInZOrder(w, HWND_TOP);
  ExposeChanges(before, w);
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent ? w->parent->handle : nullptr;
    case GA_ROOT:
      return Root(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = Root(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (relation == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
  if (!w->parent) return nullptr;
  auto& siblings = w->parent->children;
  auto it = std::find(siblings.begin(), siblings.end(), w);
  switch (relation) {
    case GW_HWNDFIRST:
      return siblings.front()->handle;
    case GW_HWNDLAST:
      return siblings.back()->handle;
    case GW_HWNDNEXT:
      return (it + 1) != siblings.end() ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV:
      return it != siblings.begin() ? (*(it - 1))->handle : nullptr;
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  Window* w = hwnd ? FromHandle(hwnd) : S().desktop;
  if (!w || w->children.empty()) return nullptr;
  return w->children.front()->handle;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  EnsureStarted();
  std::vector<HWND> list;
  for (Window* t : S().desktop->children) list.push_back(t->handle);
  for (HWND h : list)
    if (FromHandle(h) && !callback(h, param)) return FALSE;
  return TRUE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param) {
  Window* p = FromHandle(parent);
  if (!p) return FALSE;
  std::vector<HWND> list;
  std::function<void(Window*)> collect = [&](Window* w) {
    for (Window* c : w->children) {
      list.push_back(c->handle);
      collect(c);
    }
  };
  collect(p);
  for (HWND h : list)
    if (FromHandle(h) && !callback(h, param)) return FALSE;
  return TRUE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  EnsureStarted();
  std::u16string wantClass;
  ATOM wantAtom = 0;
  if (className) {
    if (IS_INTRESOURCE(className))
      wantAtom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className));
    else
      wantClass = UpperName(className);
  }
  for (Window* t : S().desktop->children) {
    if (t->destroying) continue;
    if (className) {
      if (wantAtom ? t->cls->atom != wantAtom : t->cls->upperName != wantClass) continue;
    } else if (t->cls->system && (t == S().titleBar)) {
      continue;
    }
    if (windowName && t->text != std::u16string_view(windowName)) continue;
    return t->handle;
  }
  // Not here: perhaps in another program on this desktop (a second start finds the first).
  return FindOtherInstanceWindow(className, windowName);
}

HWND GetDlgItem(HWND parent, int id) {
  Window* p = FromHandle(parent);
  if (!p) return nullptr;
  for (Window* c : p->children)
    if (static_cast<int>(c->id) == id) return c->handle;
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w || !(w->style & WS_CHILD)) return 0;
  return static_cast<int>(w->id);
}

HWND WindowFromPoint(POINT point) {
  EnsureStarted();
  Window* w = HitTest(point, true);
  if (!w || w == S().desktop) return S().desktop ? S().desktop->handle : nullptr;
  return w->handle;
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
  Window* p = FromHandle(parent);
  if (!p) return nullptr;
  if (point.x < 0 || point.y < 0 || point.x >= p->client.right - p->client.left ||
      point.y >= p->client.bottom - p->client.top)
    return nullptr;
  for (Window* c : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    const RECT& r = c->rect;
    if (point.x < r.left || point.x >= r.right || point.y < r.top || point.y >= r.bottom) continue;
    if (c->shape && !c->shape->contains(point.x - r.left, point.y - r.top)) continue;
    return c->handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  return ChildWindowFromPointEx(parent, point, CWP_ALL);
}
