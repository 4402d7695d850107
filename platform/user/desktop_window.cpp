// The root window: what shows where no window is.
#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform {

namespace {

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    // The handheld shows white behind its windows; the desktop its own colour.
    int colour = S().kind == ScreenKind::Handheld ? COLOR_WINDOW : COLOR_BACKGROUND;
    FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(colour));
    return 1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterDesktopClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DesktopProc;
  wc.lpszClassName = u"#32769";
  RegisterSystemClass(wc);
}

}  // namespace platform
