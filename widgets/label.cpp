#include "widgets/label.h"

#include "device/shell/drawing.h"

static const WCHAR kClassName[] = u"LabelClassWndClass";

static LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    LabelControl* label = reinterpret_cast<LabelControl*>(GetWindowLongPtrW(window, 0));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (label && label->offscreenDc) BitBlt(dc, 0, 0, label->width, label->height, label->offscreenDc, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterLabelClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = LabelProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
}

static void ReplaceText(LabelControl* label, const WCHAR* text) {
  if (!text) text = u"";
  int length = lstrlenW(text);
  WCHAR* copy = new WCHAR[length + 1];
  lstrcpynW(copy, text, length + 1);
  delete[] label->text;
  label->text = copy;
}

static void FreeBitmap(LabelControl* label) {
  if (label->offscreenDc) {
    SelectObject(label->offscreenDc, label->previousBitmap);
    DeleteDC(label->offscreenDc);
  }
  if (label->offscreenBitmap) DeleteObject(label->offscreenBitmap);
  label->offscreenDc = nullptr;
  label->offscreenBitmap = nullptr;
}

// Measures the text and draws it, navy on the active hatching, into a new bitmap of its size.
static void Render(LabelControl* label, DWORD quality) {
  FreeBitmap(label);
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(label->fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0,
                           u"Tahoma");
  HGDIOBJ oldFont = SelectObject(screen, font);
  int length = lstrlenW(label->text);
  SIZE size{};
  GetTextExtentPoint32W(screen, label->text, length, &size);
  SelectObject(screen, oldFont);
  label->width = size.cx;
  label->height = size.cy;
  if (size.cx > 0 && size.cy > 0) {
    label->offscreenBitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    label->offscreenDc = CreateCompatibleDC(screen);
    label->previousBitmap = SelectObject(label->offscreenDc, label->offscreenBitmap);
    FillHatched(label->offscreenDc, 0, 0, size.cx, size.cy, 1);
    oldFont = SelectObject(label->offscreenDc, font);
    SetBkMode(label->offscreenDc, TRANSPARENT);
    SetTextColor(label->offscreenDc, label->colour);
    TextOutW(label->offscreenDc, 0, 0, label->text, length);
    SelectObject(label->offscreenDc, oldFont);
  }
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
}

LabelControl* CreateLabel(HWND parent, int x, int y, const WCHAR* text, int fontSize) {
  LabelControl* label = new LabelControl{};
  label->x = x;
  label->y = y;
  label->fontHeight = -fontSize;
  label->colour = RGB(0, 0, 128);
  ReplaceText(label, text);
  Render(label, DEFAULT_QUALITY);
  label->window = CreateWindowExW(0, kClassName, u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                                  nullptr, nullptr, nullptr);
  if (!label->window) {
    FreeBitmap(label);
    delete[] label->text;
    delete label;
    return nullptr;
  }
  SetWindowLongPtrW(label->window, 0, reinterpret_cast<LONG_PTR>(label));
  MoveWindow(label->window, x, y, label->width, label->height, TRUE);
  UpdateWindow(label->window);
  return label;
}

void SetLabelText(LabelControl* label, const WCHAR* text) {
  if (!label) return;
  ReplaceText(label, text);
  Render(label, ANTIALIASED_QUALITY);
  SetWindowPos(label->window, nullptr, 0, 0, label->width, label->height, SWP_NOMOVE | SWP_NOZORDER);
  InvalidateRect(label->window, nullptr, FALSE);
  UpdateWindow(label->window);
}

void DestroyLabel(LabelControl* label) {
  if (!label) return;
  SetWindowLongPtrW(label->window, 0, 0);
  DestroyWindow(label->window);
  FreeBitmap(label);
  delete[] label->text;
  delete label;
}
