// Borders, desktop captions with a close box, and the move loop of a caption drag.
#include <algorithm>

#include "user/non_client.h"

namespace platform {

namespace {

int FrameWidth(const Window* w) {
  bool handheldTop = S().kind == ScreenKind::Handheld && !(w->style & WS_CHILD);
  if (!handheldTop && (w->style & (WS_THICKFRAME | WS_DLGFRAME))) return 3;
  if ((w->style & WS_CAPTION) == WS_BORDER) return 1;
  return 0;
}

int CaptionHeight(const Window* w) { return HasCaption(w) ? GetSystemMetrics(SM_CYCAPTION) : 0; }

int EdgeWidth(const Window* w) { return (w->exStyle & WS_EX_CLIENTEDGE) ? 2 : 0; }

// Window coordinates.
RECT CaptionRect(const Window* w) {
  int f = FrameWidth(w);
  int width = w->rect.right - w->rect.left;
  return RECT{f, f, width - f, f + CaptionHeight(w)};
}

RECT CloseBoxRect(const Window* w) {
  RECT c = CaptionRect(w);
  if (!(w->style & WS_SYSMENU) || RectEmpty(c)) return RECT{0, 0, 0, 0};
  int h = c.bottom - c.top - 4;
  return RECT{c.right - 2 - (h + 2), c.top + 2, c.right - 2, c.top + 2 + h};
}

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void DrawCloseBox(HDC dc, const RECT& r, bool pressed) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.left, r.top);
  LineTo(dc, r.right - 1, r.top);
  SelectObject(dc, dark);
  LineTo(dc, r.right - 1, r.bottom - 1);
  LineTo(dc, r.left, r.bottom - 1);
  HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  SelectObject(dc, black);
  int s = (r.bottom - r.top) / 2 - 3;
  int cx = (r.left + r.right) / 2 + (pressed ? 1 : 0), cy = (r.top + r.bottom) / 2 + (pressed ? 1 : 0);
  for (int d = 0; d < 2; ++d) {
    MoveToEx(dc, cx - s + d, cy - s, nullptr);
    LineTo(dc, cx + s + d, cy + s);
    MoveToEx(dc, cx - s + d, cy + s - 1, nullptr);
    LineTo(dc, cx + s + d, cy - s - 1);
  }
  SelectObject(dc, old);
  DeleteObject(dark);
  DeleteObject(light);
  DeleteObject(black);
}

void DrawCaption(Window* w, HDC dc) {
  RECT c = CaptionRect(w);
  bool active = GetActiveWindow() == w->handle;
  FillRect(dc, &c, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  RECT text = c;
  text.left += 5;
  RECT box = CloseBoxRect(w);
  if (!RectEmpty(box)) text.right = box.left - 2;
  DrawTextW(dc, w->text.c_str(), static_cast<int>(w->text.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  if (!RectEmpty(box)) DrawCloseBox(dc, box, false);
}

void DrawFrame(Window* w, HDC dc) {
  int f = FrameWidth(w);
  int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  RECT all{0, 0, width, height};
  if (f == 1) {
    FrameRect(dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  } else if (f == 3) {
    FrameRect(dc, &all, GetSysColorBrush(COLOR_3DDKSHADOW));
    RECT in{1, 1, width - 1, height - 1};
    FrameRect(dc, &in, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(&in, -1, -1);
    FrameRect(dc, &in, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (EdgeWidth(w)) {
    int top = f + CaptionHeight(w);
    RECT e{f, top, width - f, height - f};
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN face = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, shadow);
    MoveToEx(dc, e.left, e.bottom - 1, nullptr);
    LineTo(dc, e.left, e.top);
    LineTo(dc, e.right, e.top);
    SelectObject(dc, dark);
    MoveToEx(dc, e.left + 1, e.bottom - 2, nullptr);
    LineTo(dc, e.left + 1, e.top + 1);
    LineTo(dc, e.right - 1, e.top + 1);
    SelectObject(dc, light);
    MoveToEx(dc, e.left, e.bottom - 1, nullptr);
    LineTo(dc, e.right - 1, e.bottom - 1);
    LineTo(dc, e.right - 1, e.top - 1);
    SelectObject(dc, face);
    MoveToEx(dc, e.left + 1, e.bottom - 2, nullptr);
    LineTo(dc, e.right - 2, e.bottom - 2);
    LineTo(dc, e.right - 2, e.top);
    SelectObject(dc, old);
    DeleteObject(shadow);
    DeleteObject(dark);
    DeleteObject(light);
    DeleteObject(face);
  }
}

}  // namespace

bool HasCaption(const Window* w) {
  return S().kind == ScreenKind::Desktop && !(w->style & WS_CHILD) &&
         (w->style & WS_CAPTION) == WS_CAPTION;
}

RECT ClientFromWindowRect(const Window* w, RECT r) {
  int f = FrameWidth(w) + EdgeWidth(w);
  r.left += f;
  r.right -= f;
  r.top += f + CaptionHeight(w);
  r.bottom -= f;
  if (w->style & WS_VSCROLL) r.right -= GetSystemMetrics(SM_CXVSCROLL);
  if (w->style & WS_HSCROLL) r.bottom -= GetSystemMetrics(SM_CYHSCROLL);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

LRESULT NonClientHitTest(const Window* w, POINT screen) {
  RECT whole = ScreenRect(w, Area::Whole);
  if (!Inside(whole, screen)) return HTNOWHERE;
  RECT client = ScreenRect(w, Area::Client);
  if (Inside(client, screen)) return HTCLIENT;
  POINT p{screen.x - whole.left, screen.y - whole.top};
  if (Inside(ScrollBarRect(w, 1), p)) return HTVSCROLL;
  if (Inside(ScrollBarRect(w, 0), p)) return HTHSCROLL;
  if (HasCaption(w)) {
    if (Inside(CloseBoxRect(w), p)) return HTCLOSE;
    if (Inside(CaptionRect(w), p)) return HTCAPTION;
  }
  return HTBORDER;
}

void PaintNonClient(Window* w) {
  bool frame = FrameWidth(w) || EdgeWidth(w) || HasCaption(w) ||
               (w->style & (WS_VSCROLL | WS_HSCROLL));
  if (!frame) return;
  HDC dc = GetWindowDC(w->handle);
  if (!dc) return;
  DrawFrame(w, dc);
  if (HasCaption(w)) DrawCaption(w, dc);
  PaintScrollBars(w, dc);
  ReleaseDC(w->handle, dc);
}

void RunMoveLoop(Window* w, POINT start) {
  HWND hwnd = w->handle;
  RECT origin = w->rect;
  SetCapture(hwnd);
  Send(w, WM_ENTERSIZEMOVE, 0, 0);
  for (;;) {
    if (GetCapture() != hwnd || !IsWindow(hwnd)) break;
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitForMore()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.hwnd == hwnd && m.message == WM_MOUSEMOVE) {
      SetWindowPos(hwnd, nullptr, origin.left + m.pt.x - start.x, origin.top + m.pt.y - start.y, 0,
                   0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      continue;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      SetWindowPos(hwnd, nullptr, origin.left, origin.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (Window* still = FromHandle(hwnd)) Send(still, WM_EXITSIZEMOVE, 0, 0);
}

void TrackCloseBox(Window* w) {
  HWND hwnd = w->handle;
  RECT box = CloseBoxRect(w);
  if (RectEmpty(box)) return;
  auto drawBox = [&](bool pressed) {
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    DrawCloseBox(dc, box, pressed);
    ReleaseDC(hwnd, dc);
  };
  drawBox(true);
  SetCapture(hwnd);
  bool inside = true;
  for (;;) {
    if (GetCapture() != hwnd || !IsWindow(hwnd)) return;
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitForMore()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    Window* now = FromHandle(hwnd);
    if (!now) return;
    RECT whole = ScreenRect(now, Area::Whole);
    POINT p{m.pt.x - whole.left, m.pt.y - whole.top};
    if (m.message == WM_MOUSEMOVE) {
      bool in = Inside(box, p);
      if (in != inside) drawBox(in);
      inside = in;
      continue;
    }
    if (m.message == WM_LBUTTONUP) {
      inside = Inside(box, p);
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!IsWindow(hwnd)) return;
  drawBox(false);
  if (inside) SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace platform
