// The default window procedure.
#include <algorithm>

#include "user/instances.h"
#include "user/non_client.h"
#include "user/window_system.h"

using namespace platform;

namespace {

LRESULT ControlColour(HDC dc, int text, int background) {
  SetTextColor(dc, GetSysColor(text));
  SetBkColor(dc, GetSysColor(background));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

void SetText(Window* w, LPCWSTR text) {
  w->text = text ? std::u16string(text) : std::u16string();
  if (IsTopLevel(w)) {
    TitleChanged();
    InstanceWindowsChanged();
  }
  if (HasCaption(w)) w->frameDirty = true;
}

}  // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) SetText(w, cs->lpszName);
      return TRUE;
    }
    case WM_NCCALCSIZE:
      if (lParam) {
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        p->rgrc[0] = ClientFromWindowRect(w, p->rgrc[0]);
      }
      return 0;
    case WM_NCHITTEST:
      return NonClientHitTest(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT:
      PaintNonClient(w);
      return 0;
    case WM_NCACTIVATE:
      if (HasCaption(w)) w->frameDirty = true;
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH brush = BrushFromClassBackground(w->cls->background);
      if (!brush) return 0;
      RECT r{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
      FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT:
      SetText(w, reinterpret_cast<LPCWSTR>(lParam));
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      int n = std::min<int>(static_cast<int>(w->text.size()), size - 1);
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_SETREDRAW:
      // As on the platform, redraw off takes the visible bit away (nothing else of a hide
      // happens): the window's area belongs to its parent, which paints it when it is exposed,
      // and updates wait until redraw is on again.
      if (wParam && !w->redraw) w->style |= WS_VISIBLE;
      if (!wParam) w->style &= ~WS_VISIBLE;
      w->redraw = wParam != 0;
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        Window* f = FromHandle(GetFocus());
        if (!f || (f != w && !IsDescendant(w, f))) SetFocus(hwnd);
      }
      return 0;
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent) {
        if (LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wParam, lParam)) return r;
      }
      return MA_ACTIVATE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ControlColour(reinterpret_cast<HDC>(wParam), COLOR_WINDOWTEXT, COLOR_WINDOW);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
      return ControlColour(reinterpret_cast<HDC>(wParam), COLOR_WINDOWTEXT, COLOR_BTNFACE);
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) {
        if (S().kind == ScreenKind::Desktop)
          RunMoveLoop(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      } else if (wParam == HTCLOSE) {
        TrackCloseBox(w);
      } else if (wParam == HTVSCROLL || wParam == HTHSCROLL) {
        TrackScrollBar(w, wParam == HTVSCROLL ? SB_VERT : SB_HORZ,
                       POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          Send(w, WM_CLOSE, 0, 0);
          break;
        case SC_MOVE:
          if (S().kind == ScreenKind::Desktop) {
            POINT p;
            GetCursorPos(&p);
            RunMoveLoop(w, p);
          }
          break;
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_GETFONT:
      return 0;
  }
  return 0;
}
