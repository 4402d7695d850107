#include "widgets/frame_window.h"

#include "device/shell/drawing.h"

static const WCHAR kClassName[] = u"FWClass";

static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FrameWindow* f = reinterpret_cast<FrameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!f) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      f->Compose();
      if (f->paint) f->paint(f->offscreenDc, f->state);
      BitBlt(dc, 0, 0, f->width, f->height, f->offscreenDc, 0, 0, SRCCOPY);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_COMMAND:
      return 0;
    case WM_CTLCOLOREDIT:
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_MOUSEMOVE:
      if (f->move) f->move(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (f->button) f->button(1);
      return 0;
    case WM_RBUTTONDOWN:
      if (f->button) f->button(2);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

FrameWindow::FrameWindow(HWND owner, int x, int y, int width_, int height_, const WCHAR* title_,
                         FramePaintCallback paint_, FrameButtonCallback button_, FrameMoveCallback move_)
    : width(width_), height(height_), title(nullptr), offscreenDc(nullptr), offscreenBitmap(nullptr), paint(paint_),
      button(button_), move(move_), state(1), window(nullptr), previousBitmap(nullptr) {
  if (title_) {
    int length = lstrlenW(title_);
    title = new WCHAR[length + 1];
    lstrcpynW(title, title_, length + 1);
  }
  HDC screen = GetDC(owner);
  offscreenBitmap = CreateCompatibleBitmap(screen, width, height);
  offscreenDc = CreateCompatibleDC(screen);
  ReleaseDC(owner, screen);
  previousBitmap = SelectObject(offscreenDc, offscreenBitmap);

  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.cbClsExtra = 4;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly from the second frame on

  window = CreateWindowExW(0, kClassName, u"", WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height, owner, nullptr,
                           nullptr, nullptr);
  if (!window) return;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(window, SW_SHOW);
}

FrameWindow::~FrameWindow() {
  if (window) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  SelectObject(offscreenDc, previousBitmap);
  DeleteDC(offscreenDc);
  DeleteObject(offscreenBitmap);
  delete[] title;
}

int FrameWindow::SetState(int value) {
  if (value == state && value != -1) return state;
  state = value;
  InvalidateRect(window, nullptr, FALSE);
  return state;
}

void FrameWindow::Compose() {
  HDC dc = offscreenDc;
  int dark = state != 0;
  FillHatched(dc, 0, 0, width, height, dark);
  HPEN pen = CreatePen(PS_SOLID, 1, dark ? RGB(194, 194, 194) : RGB(220, 220, 220));
  SelectObject(dc, pen);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  RoundRect(dc, 0, title ? 8 : 0, width, height, 20, 20);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  DeleteObject(pen);
  if (!title) return;
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, u"Tahoma");
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  int length = lstrlenW(title);
  SIZE size{};
  GetTextExtentPoint32W(dc, title, length, &size);
  // The title interrupts the top border: hatched above the border's row, white below.
  PatBlt(dc, 11, 0, size.cx + 7, size.cy, WHITENESS);
  FillHatched(dc, 11, 0, size.cx + 7, size.cy - 7, dark);
  SetTextColor(dc, RGB(220, 220, 220));
  if (dark) {
    TextOutW(dc, 17, 2, title, length);
    SetTextColor(dc, RGB(0, 0, 128));
  }
  TextOutW(dc, 15, 0, title, length);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}
