// Tap-and-hold: SHRecognizeGesture waits on the platform clock (virtual in headless runs)
// while the stylus stays down near where it touched.
#include <cstdlib>

#include "controls/control_common.h"
#include "controls/gesture_state.h"
#include "platform/aygshell.h"

namespace platform::controls {

namespace {

constexpr DWORD kHoldMs = 600;
constexpr DWORD kLongHoldMs = 1000;
constexpr int kSlop = 5;  // pixels the stylus may wander and still be holding

struct HeldPress {
  HWND window = nullptr;
  POINT point{};
};

HeldPress& Held() {
  static HeldPress held;
  return held;
}

bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) <= kSlop && std::abs(a.y - b.y) <= kSlop; }

}  // namespace

void NoteHeldPress(HWND window, POINT clientPoint) { Held() = HeldPress{window, clientPoint}; }

bool TakeHeldPress(HWND window, POINT clientPoint) {
  HeldPress& h = Held();
  if (!h.window || h.window != window || h.point.x != clientPoint.x || h.point.y != clientPoint.y) return false;
  h = HeldPress{};
  return true;
}

}  // namespace platform::controls

using namespace platform::controls;

DWORD SHRecognizeGesture(SHRGINFO* info) {
  if (!info || info->cbSize < 20 || !IsWindow(info->hwndClient)) return 0;
  HWND client = info->hwndClient;
  POINT down = info->ptDown;
  ClientToScreen(client, &down);
  DWORD hold = (info->dwFlags & SHRG_LONGDELAY) ? kLongHoldMs : kHoldMs;
  DWORD start = GetTickCount();
  NoteHeldPress(nullptr, POINT{});

  for (;;) {
    MSG m;
    // What the stylus does next decides; that input stays queued for the window.
    if (PeekMessageW(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) {
      if (m.message == WM_MOUSEMOVE && Near(m.pt, down) && (m.wParam & MK_LBUTTON)) {
        PeekMessageW(&m, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
        continue;
      }
      return 0;
    }
    if (PeekMessageW(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE)) return 0;
    DWORD waited = GetTickCount() - start;
    if (waited >= hold) break;
    DispatchNonInput();
    if (!IsWindow(client)) return 0;
    if (!WaitAtMost(hold - waited)) break;
  }
  if (!(GetKeyState(VK_LBUTTON) & 0x8000) || !IsWindow(client)) return 0;
  NoteHeldPress(client, info->ptDown);
  if (!(info->dwFlags & SHRG_RETURNCMD)) {
    POINT p = info->ptDown;
    ClientToScreen(client, &p);
    SendMessageW(client, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(client), MAKELPARAM(p.x, p.y));
  }
  return GN_CONTEXTMENU;
}
