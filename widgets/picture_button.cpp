#include "widgets/picture_button.h"

static const WCHAR kClassName[] = u"PicButtonClassWndClass";
static const UINT_PTR kTrackTimer = 1;

static HMODULE g_imageLibrary;
static PictureButtonControl* g_hoverButton;  // at most one button is tracked at a time

static PictureButtonControl* ButtonOf(HWND window) {
  return reinterpret_cast<PictureButtonControl*>(GetWindowLongPtrW(window, 0));
}

static void Repaint(PictureButtonControl* b) {
  InvalidateRect(b->window, nullptr, FALSE);
  UpdateWindow(b->window);
}

static void EndHover(PictureButtonControl* b) {
  if (PictureButtonControl* h = g_hoverButton) {
    DestroyExplanationPopup(&h->hover);
    h->hover.popupUsed = 0;
    KillTimer(h->window, kTrackTimer);
    g_hoverButton = nullptr;
  }
  if (b->enabled) {
    b->state = 0;
    Repaint(b);
  }
}

static void CALLBACK TrackTimer(HWND, UINT, UINT_PTR, DWORD now) {
  PictureButtonControl* b = g_hoverButton;
  if (!b) return;
  if (!TrackHover(&b->hover, b->window, b->width, b->height, now, b->explanation, 1)) EndHover(b);
}

static void StartHover(PictureButtonControl* b) {
  if (b->state != 0 || !b->enabled) return;
  b->state = 1;
  Repaint(b);
  if (g_hoverButton && g_hoverButton != b) EndHover(g_hoverButton);
  g_hoverButton = b;
  SetTimer(b->window, kTrackTimer, 10, TrackTimer);
}

static void Press(PictureButtonControl* b) {
  if (!b->enabled) return;
  b->state = 2;
  Repaint(b);
  b->hover.popupUsed = 1;
  DestroyExplanationPopup(&b->hover);
}

static void Release(PictureButtonControl* b, bool fromPointer) {
  if (!b->enabled) return;
  b->state = fromPointer ? 1 : 0;
  Repaint(b);
  if (b->click) b->click();
}

static LRESULT CALLBACK PictureButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PictureButtonControl* b = ButtonOf(window);
  if (!b) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      int face = b->state >= 0 && b->state <= 3 ? b->state : 0;
      BitBlt(dc, 0, 0, b->width, b->height, b->faceDc, face * b->width, 0, SRCCOPY);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        Release(b, false);
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      Release(b, true);
      return 0;
    case WM_MOUSEMOVE:
      StartHover(b);
      return 0;
    case WM_LBUTTONDOWN:
      Press(b);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterPictureButtonClass(HMODULE imageLibrary) {
  g_imageLibrary = imageLibrary;
  WNDCLASSW wc{};
  wc.lpfnWndProc = PictureButtonProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
}

// Faces for a strip that is missing or too small: white, with a frame in the face's tone.
static void DrawPlainFaces(HDC dc, int width, int height) {
  static const COLORREF kFrame[4] = {RGB(176, 180, 200), RGB(0, 0, 192), RGB(0, 0, 128), RGB(222, 222, 222)};
  PatBlt(dc, 0, 0, width * 4, height, WHITENESS);
  for (int s = 0; s < 4; ++s) {
    HPEN pen = CreatePen(PS_SOLID, 1, kFrame[s]);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, s * width, 0, (s + 1) * width, height);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
}

PictureButtonControl* CreatePictureButton(HWND parent, int x, int y, int width, int height, HMODULE imageLibrary,
                                          int bitmapId, PictureButtonHandler click, const WCHAR* explanation) {
  if (width <= 0 || height <= 0) return nullptr;
  PictureButtonControl* b = new PictureButtonControl{};
  b->enabled = 1;
  b->state = 0;
  ResetHoverTrack(&b->hover);
  const WCHAR* text = explanation ? explanation : u"";
  int length = lstrlenW(text);
  b->explanation = new WCHAR[length + 1];
  lstrcpynW(b->explanation, text, length + 1);
  SetRect(&b->bounds, x, y, x + width, y + height);
  b->width = width;
  b->height = height;
  b->bitmapId = bitmapId;
  b->click = click;

  b->window = CreateWindowExW(0, kClassName, u"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, nullptr, nullptr,
                              nullptr);
  if (!b->window) {
    delete[] b->explanation;
    delete b;
    return nullptr;
  }
  SetWindowLongPtrW(b->window, 0, reinterpret_cast<LONG_PTR>(b));

  HDC screen = GetDC(parent);
  b->faceBitmap = CreateCompatibleBitmap(screen, width * 4, height);
  b->faceDc = CreateCompatibleDC(screen);
  ReleaseDC(parent, screen);
  b->previousBitmap = SelectObject(b->faceDc, b->faceBitmap);
  HMODULE library = imageLibrary ? imageLibrary : g_imageLibrary;
  HBITMAP strip = library ? LoadBitmapW(library, MAKEINTRESOURCEW(bitmapId)) : nullptr;
  BITMAP info{};
  if (strip && GetObjectW(strip, sizeof(info), &info) && info.bmWidth >= width * 4 && info.bmHeight >= height) {
    HDC source = CreateCompatibleDC(b->faceDc);
    HGDIOBJ old = SelectObject(source, strip);
    BitBlt(b->faceDc, 0, 0, width * 4, height, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  } else {
    DrawPlainFaces(b->faceDc, width, height);
  }
  if (strip) DeleteObject(strip);

  MoveWindow(b->window, x, y, width, height, FALSE);
  UpdateWindow(b->window);
  ShowWindow(b->window, SW_SHOW);
  return b;
}

void SetPictureButtonEnabled(PictureButtonControl* b, int enabled) {
  if (!b) return;
  b->enabled = enabled;
  b->state = enabled ? 0 : 3;
  Repaint(b);
}

void DestroyPictureButton(PictureButtonControl* b) {
  if (!b) return;
  if (g_hoverButton == b) {
    DestroyExplanationPopup(&b->hover);
    KillTimer(b->window, kTrackTimer);
    g_hoverButton = nullptr;
  }
  DestroyExplanationPopup(&b->hover);
  SetWindowLongPtrW(b->window, 0, 0);
  DestroyWindow(b->window);
  SelectObject(b->faceDc, b->previousBitmap);
  DeleteDC(b->faceDc);
  DeleteObject(b->faceBitmap);
  delete[] b->explanation;
  delete b;
}
