// Raw input from a backend or a script turned into window messages: hit testing, capture,
// activation by a tap, key state.
#include <cstdlib>

#include "user/window_system.h"

namespace platform {

namespace {

WPARAM MouseKeys() {
  const BYTE* k = S().keys;
  WPARAM w = 0;
  if (k[VK_LBUTTON] & 0x80) w |= MK_LBUTTON;
  if (k[VK_RBUTTON] & 0x80) w |= MK_RBUTTON;
  if (k[VK_SHIFT] & 0x80) w |= MK_SHIFT;
  if (k[VK_CONTROL] & 0x80) w |= MK_CONTROL;
  return w;
}

void SetKey(UINT vk, bool down) {
  BYTE* k = S().keys;
  if (vk > 255) return;
  if (down) {
    if (!(k[vk] & 0x80)) k[vk] ^= 0x01;  // toggle bit, as the platform keeps it
    k[vk] |= 0x80;
  } else {
    k[vk] &= static_cast<BYTE>(~0x80);
  }
  // Left and right modifier keys also set the generic key.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) SetKey(VK_SHIFT, down);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) SetKey(VK_CONTROL, down);
}

MSG Make(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, POINT pt) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wp;
  m.lParam = lp;
  m.time = Now();
  m.pt = pt;
  return m;
}

bool PointerMessage(const InputEvent& in, MSG* msg) {
  State& s = S();
  POINT pt = in.point;
  s.cursor = pt;
  bool down = in.kind == InputEvent::Kind::StylusDown || in.kind == InputEvent::Kind::RightDown;
  bool right = in.kind == InputEvent::Kind::RightDown || in.kind == InputEvent::Kind::RightUp;
  if (in.kind != InputEvent::Kind::StylusMove) SetKey(right ? VK_RBUTTON : VK_LBUTTON, down);
  if (in.kind == InputEvent::Kind::StylusDown) s.stylusDown = true;
  if (in.kind == InputEvent::Kind::StylusUp) s.stylusDown = false;

  UINT clientMessage = WM_MOUSEMOVE;
  switch (in.kind) {
    case InputEvent::Kind::StylusDown: clientMessage = WM_LBUTTONDOWN; break;
    case InputEvent::Kind::StylusUp: clientMessage = WM_LBUTTONUP; break;
    case InputEvent::Kind::RightDown: clientMessage = WM_RBUTTONDOWN; break;
    case InputEvent::Kind::RightUp: clientMessage = WM_RBUTTONUP; break;
    default: break;
  }

  Window* target = FromHandle(s.capture);
  LRESULT hit = HTCLIENT;
  if (!target) {
    s.capture = nullptr;
    target = HitTest(pt, true);
    if (!target || target == s.desktop) return false;
    if (!ReallyEnabled(target)) return false;  // a disabled top-level window takes nothing
    HWND hwnd = target->handle;
    hit = Send(target, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    if (!(target = FromHandle(hwnd))) return false;
    if (hit == HTNOWHERE || hit == HTERROR || hit == HTTRANSPARENT) return false;
    if (down) {
      Window* root = Root(target);
      if (FromHandle(s.active) != root && !(root->exStyle & WS_EX_NOACTIVATE)) {
        LRESULT how = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->handle),
                           MAKELPARAM(hit, clientMessage));
        if (how == MA_ACTIVATE || how == MA_ACTIVATEANDEAT) {
          if (Window* r = FromHandle(root->handle)) Activate(r, true);
        }
        if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT) return false;
        if (!(target = FromHandle(hwnd))) return false;
      }
      // Each ancestor of a pressed child hears of it first, in its own client coordinates.
      for (Window* w = target; (w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOPARENTNOTIFY) && w->parent;) {
        Window* parent = w->parent;
        HWND parentHandle = parent->handle;
        POINT origin = ClientOrigin(parent);
        Send(parent, WM_PARENTNOTIFY, MAKEWPARAM(clientMessage, 0), MAKELPARAM(pt.x - origin.x, pt.y - origin.y));
        if (!(w = FromHandle(parentHandle))) break;
      }
      if (!(target = FromHandle(hwnd))) return false;
    }
  }
  if (hit == HTCLIENT) {
    POINT origin = ClientOrigin(target);
    *msg = Make(target->handle, clientMessage, MouseKeys(),
                MAKELPARAM(pt.x - origin.x, pt.y - origin.y), pt);
  } else {
    UINT nc = WM_NCMOUSEMOVE + (clientMessage - WM_MOUSEMOVE);
    *msg = Make(target->handle, nc, static_cast<WPARAM>(hit), MAKELPARAM(pt.x, pt.y), pt);
  }
  return true;
}

bool KeyMessage(const InputEvent& in, MSG* msg) {
  State& s = S();
  bool down = in.kind == InputEvent::Kind::KeyDown;
  UINT vk = in.key & 0xFF;
  bool wasDown = (s.keys[vk] & 0x80) != 0;
  SetKey(vk, down);
  Window* target = FromHandle(s.focus);
  if (!target || !ReallyEnabled(target)) return false;
  LPARAM lp = 1;
  if (down && wasDown) lp |= 0x40000000;
  if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
  *msg = Make(target->handle, down ? WM_KEYDOWN : WM_KEYUP, vk, lp, s.cursor);
  return true;
}

}  // namespace

bool InputToMessage(const InputEvent& in, MSG* msg) {
  State& s = S();
  switch (in.kind) {
    case InputEvent::Kind::StylusDown:
    case InputEvent::Kind::StylusMove:
    case InputEvent::Kind::StylusUp:
    case InputEvent::Kind::RightDown:
    case InputEvent::Kind::RightUp:
      return PointerMessage(in, msg);
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
      return KeyMessage(in, msg);
    case InputEvent::Kind::Text: {
      Window* target = FromHandle(s.focus);
      if (in.text.empty() || !target || !ReallyEnabled(target)) return false;
      *msg = Make(target->handle, WM_CHAR, in.text[0], 1, s.cursor);
      return true;
    }
    case InputEvent::Kind::CloseWindow: {
      if (Window* w = FromHandle(in.window)) {
        *msg = Make(w->handle, WM_CLOSE, 0, 0, s.cursor);
        return true;
      }
      // The device window itself was closed: the handheld is switched off.
      FinishRun();
      std::exit(0);
    }
    case InputEvent::Kind::Foreground: {
      auto bits = reinterpret_cast<uintptr_t>(in.window) | (in.key ? 1 : 0);
      if (SetForegroundWindow(reinterpret_cast<HWND>(bits)) && s.backend) s.backend->Raise();
      return false;
    }
    case InputEvent::Kind::Snapshot:
      s.pendingSnapshot = in.file;
      return false;
    case InputEvent::Kind::End:
      return false;
  }
  return false;
}

void ReleaseStylusState() {
  State& s = S();
  s.stylusDown = false;
  s.keys[VK_LBUTTON] &= static_cast<BYTE>(~0x80);
}

}  // namespace platform

using namespace platform;

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = S().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  S().cursor = POINT{x, y};
  return TRUE;
}

SHORT GetKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  BYTE k = S().keys[virtualKey];
  SHORT r = 0;
  if (k & 0x80) r = static_cast<SHORT>(0x8000);
  if (k & 0x01) r |= 1;
  return r;
}

SHORT GetAsyncKeyState(int virtualKey) {
  return static_cast<SHORT>(GetKeyState(virtualKey) & 0x8000);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (instance || !IS_INTRESOURCE(name)) return nullptr;
  // System cursors are known by their numbers; the handle is the number itself.
  return reinterpret_cast<HCURSOR>(const_cast<LPWSTR>(name));
}

HCURSOR SetCursor(HCURSOR cursor) {
  static HCURSOR current = nullptr;
  HCURSOR old = current;
  current = cursor;
  return old;
}
