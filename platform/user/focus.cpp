// Keyboard focus, stylus capture, activation and the foreground window, enabling.
#include "user/instances.h"
#include "user/window_system.h"
#include "user/z_order.h"

namespace platform {

namespace {

bool InSubtree(const Window* root, HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && (w == root || IsDescendant(root, w));
}

bool CanActivate(const Window* t) {
  return t && IsTopLevel(t) && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED) &&
         !(t->exStyle & WS_EX_NOACTIVATE) && !t->destroying;
}

// The frontmost visible window owned (directly or not) by `owner`, or null.
Window* FrontOwned(Window* owner) {
  for (Window* t : S().desktop->children) {
    if (!(t->style & WS_VISIBLE) || t->destroying) continue;
    for (Window* o = t->owner; o; o = o->owner)
      if (o == owner) return t;
  }
  return nullptr;
}

}  // namespace

void Activate(Window* w, bool byClick) {
  State& s = S();
  if (w) w = Root(w);
  Window* old = FromHandle(s.active);
  if (w == old) return;
  if (w && (w->exStyle & WS_EX_NOACTIVATE)) return;
  HWND newHandle = w ? w->handle : nullptr;
  HWND oldHandle = old ? old->handle : nullptr;
  bool nested = s.activating;
  s.activating = true;
  s.active = newHandle;
  if (w) {
    auto before = ScreenOwnership();
    if (InsertInZOrder(w, HWND_TOP)) ExposeChanges(before, nullptr);
  }
  if (old) {
    if (InSubtree(old, s.focus)) {
      HWND lost = s.focus;
      s.focus = nullptr;
      if (Window* f = FromHandle(lost)) Send(f, WM_KILLFOCUS, 0, 0);
    }
    if (Window* o = FromHandle(oldHandle)) {
      Send(o, WM_NCACTIVATE, FALSE, 0);
      if ((o = FromHandle(oldHandle)))
        Send(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(newHandle));
    }
  }
  if (Window* n = FromHandle(newHandle)) {
    if (s.active == newHandle) {
      Send(n, WM_NCACTIVATE, TRUE, 0);
      if ((n = FromHandle(newHandle)) && s.active == newHandle)
        Send(n, WM_ACTIVATE, MAKEWPARAM(byClick ? WA_CLICKACTIVE : WA_ACTIVE, 0),
             reinterpret_cast<LPARAM>(oldHandle));
    }
  }
  s.activating = nested;
  TitleChanged();
  MarkScreenDirty();
}

Window* NextToActivate(const Window* leaving) {
  State& s = S();
  if (leaving && leaving->owner && CanActivate(leaving->owner)) {
    if (Window* front = FrontOwned(leaving->owner); front && front != leaving && CanActivate(front))
      return front;
    return leaving->owner;
  }
  for (Window* t : s.desktop->children)
    if (t != leaving && CanActivate(t) && t != s.titleBar) return t;
  return nullptr;
}

void WindowGoingAway(Window* w) {
  State& s = S();
  HWND hwnd = w->handle;
  if (InSubtree(w, s.focus)) {
    HWND lost = s.focus;
    s.focus = nullptr;
    if (Window* f = FromHandle(lost)) Send(f, WM_KILLFOCUS, 0, 0);
  }
  if (InSubtree(w, s.capture)) {
    HWND lost = s.capture;
    s.capture = nullptr;
    if (Window* c = FromHandle(lost)) Send(c, WM_CAPTURECHANGED, 0, 0);
  }
  w = FromHandle(hwnd);
  if (w && IsTopLevel(w) && s.active == hwnd) {
    Window* next = NextToActivate(w);
    if (next) {
      Activate(next, false);
    } else {
      s.active = nullptr;
      if (Window* o = FromHandle(hwnd)) {
        Send(o, WM_NCACTIVATE, FALSE, 0);
        if ((o = FromHandle(hwnd))) Send(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
      }
      TitleChanged();
    }
  }
}

}  // namespace platform

using namespace platform;

HWND SetFocus(HWND hwnd) {
  EnsureStarted();
  State& s = S();
  HWND old = s.focus;
  if (!hwnd) {
    s.focus = nullptr;
    if (Window* o = FromHandle(old)) Send(o, WM_KILLFOCUS, 0, 0);
    return FromHandle(old) ? old : nullptr;
  }
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (hwnd == s.focus) return old;
  // Focus in another top-level window activates it first (not while an activation is being
  // answered, which would bounce between the two).
  Window* root = Root(w);
  if (!s.activating && FromHandle(s.active) != root && CanActivate(root)) {
    Activate(root, false);
    if (!(w = FromHandle(hwnd))) return nullptr;
    old = s.focus;
    if (hwnd == s.focus) return old;
  }
  s.focus = hwnd;
  if (Window* o = FromHandle(old)) Send(o, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (s.focus == hwnd) {
    if (Window* n = FromHandle(hwnd)) Send(n, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return FromHandle(old) ? old : nullptr;
}

HWND GetFocus() { return FromHandle(S().focus) ? S().focus : nullptr; }

HWND SetCapture(HWND hwnd) {
  State& s = S();
  HWND old = FromHandle(s.capture) ? s.capture : nullptr;
  if (hwnd && !FromHandle(hwnd)) return old;
  s.capture = hwnd;
  if (old && old != hwnd) {
    if (Window* o = FromHandle(old)) Send(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return old;
}

BOOL ReleaseCapture() {
  State& s = S();
  HWND old = s.capture;
  s.capture = nullptr;
  if (Window* o = FromHandle(old)) Send(o, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return FromHandle(S().capture) ? S().capture : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
  EnsureStarted();
  State& s = S();
  HWND old = FromHandle(s.active) ? s.active : nullptr;
  Window* w = FromHandle(hwnd);
  if (hwnd && !w) return nullptr;
  if (w) w = Root(w);
  if (w && ((w->exStyle & WS_EX_NOACTIVATE) || w->destroying)) return old;
  Activate(w, false);
  return old;
}

HWND GetActiveWindow() { return FromHandle(S().active) ? S().active : nullptr; }

BOOL SetForegroundWindow(HWND hwnd) {
  EnsureStarted();
  auto bits = reinterpret_cast<uintptr_t>(hwnd);
  bool withOwned = (bits & 1) != 0;
  HWND plain = reinterpret_cast<HWND>(bits & ~static_cast<uintptr_t>(1));
  Window* w = FromHandle(plain);
  if (!w) return RequestForeground(plain, withOwned) ? TRUE : FALSE;  // another program's window
  if (!w->parent) return FALSE;  // the desktop itself is never the foreground window
  w = Root(w);
  Window* target = w;
  if (withOwned) {
    if (Window* front = FrontOwned(w); front && CanActivate(front)) target = front;
  }
  if (!(target->style & WS_VISIBLE) || (target->exStyle & WS_EX_NOACTIVATE)) return FALSE;
  if (target != w) {
    auto before = ScreenOwnership();
    if (InsertInZOrder(w, HWND_TOP)) ExposeChanges(before, nullptr);
  }
  Activate(target, false);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if ((enable != FALSE) == !wasDisabled) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    State& s = S();
    if (InSubtree(w, s.focus)) SetFocus(nullptr);
    if (InSubtree(w, s.capture)) ReleaseCapture();
  }
  if ((w = FromHandle(hwnd))) Send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}
