#include "device/shell/titled_frame.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "device/shell/drawing.h"

namespace {

HDC g_skin = nullptr;  // bitmap 7000, selected for the whole run

HFONT TitleFont() {
  LOGFONTW font{};
  font.lfHeight = -12;
  font.lfWeight = FW_BOLD;
  font.lfQuality = 4;
  std::memcpy(font.lfFaceName, u"Tahoma", 7 * sizeof(WCHAR));
  return CreateFontIndirectW(&font);
}

void Paint(TitledFrame* f, HDC dc) {
  int w = f->width, h = f->height, t = f->tabHeight;
  int column = f->active ? 0 : 14;
  FillHatched(dc, 0, 0, w, h + t, f->active);
  if (g_skin) {
    BitBlt(dc, 0, t, 13, 13, g_skin, column, 0, SRCCOPY);
    BitBlt(dc, w - 13, t, 13, 13, g_skin, column, 14, SRCCOPY);
    BitBlt(dc, 0, h - 13, 13, 13, g_skin, column, 28, SRCCOPY);
    BitBlt(dc, w - 13, h - 13, 13, 13, g_skin, column, 42, SRCCOPY);
    for (int row = t + 13; row < h - 13; row += 2) {
      BitBlt(dc, 0, row, 3, 2, g_skin, column + 3, 56, SRCCOPY);
      BitBlt(dc, w - 3, row, 3, 2, g_skin, column + 3, 56, SRCCOPY);
    }
    StretchBlt(dc, 13, t, w - 26, 3, g_skin, column, 56, 1, 3, SRCCOPY);
    StretchBlt(dc, 13, h - 3, w - 26, 3, g_skin, column, 56, 1, 3, SRCCOPY);
  } else {
    // Without the skin library the ring is drawn plainly.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 1, t + 1, w - 1, h - 1, 20, 20);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (f->title) {
    FillHatched(dc, 12, 0, f->tabWidth, 12, f->active);
    HFONT font = TitleFont();
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    RECT r{16, 1, 1000, 1000};
    DrawTextW(dc, f->title, -1, &r, DT_LEFT | DT_TOP);
    SelectObject(dc, old);
    DeleteObject(font);
  }
}

LRESULT CALLBACK TitledFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* frame = reinterpret_cast<TitledFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_PAINT && frame) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    Paint(frame, dc);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterTitledFrameClass(HMODULE imageLibrary) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TitledFrameProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"BFC";
  RegisterClassW(&wc);
  if (g_skin) return;
  HBITMAP skin = imageLibrary ? LoadBitmapW(imageLibrary, MAKEINTRESOURCEW(7000)) : nullptr;
  if (!skin) return;
  HDC screen = GetDC(nullptr);
  g_skin = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  SelectObject(g_skin, skin);
}

TitledFrame* CreateTitledFrame(HWND owner, int x, int y, int width, int height, const WCHAR* title) {
  auto* f = new TitledFrame{x, y, width, height, nullptr, 0, 0, nullptr, 1, nullptr};
  if (title) {
    size_t n = std::char_traits<char16_t>::length(title);
    f->title = static_cast<WCHAR*>(std::malloc((n + 1) * sizeof(WCHAR)));
    if (f->title) std::memcpy(f->title, title, (n + 1) * sizeof(WCHAR));
    f->tabHeight = 6;
  }
  f->window = CreateWindowExW(0, u"BFC", nullptr, WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height, owner,
                              nullptr, nullptr, nullptr);
  SetWindowLongPtrW(f->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f));
  if (f->title) {
    HDC dc = GetDC(f->window);
    HFONT font = TitleFont();
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, f->title, lstrlenW(f->title), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(f->window, dc);
    f->tabWidth = size.cx + 8;
  }
  // Only the ring belongs to the frame: the page shows, and takes taps, inside it.
  f->region = CreateRectRgn(0, 0, width, height);
  HRGN inside = CreateRectRgn(6, f->tabHeight + 10, width - 6, height - 6);
  CombineRgn(f->region, f->region, inside, RGN_DIFF);
  DeleteObject(inside);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, f->region, nullptr, RGN_COPY);
  SetWindowRgn(f->window, copy, TRUE);  // the window owns the copy
  ShowWindow(f->window, SW_SHOW);
  return f;
}

void DestroyTitledFrame(TitledFrame* f) {
  if (!f) return;
  if (IsWindow(f->window)) DestroyWindow(f->window);
  if (f->region) DeleteObject(f->region);
  std::free(f->title);
  delete f;
}
