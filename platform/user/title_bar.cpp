// The handheld's title bar: a band across the top of the screen with the title of the
// foreground window, drawn by the layer.
#include <algorithm>

#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform {

namespace {

constexpr COLORREF kBand = RGB(0, 44, 130);
constexpr COLORREF kEdge = RGB(0, 22, 80);
constexpr COLORREF kText = RGB(255, 255, 255);

std::u16string& ShownTitle() {
  static std::u16string title;
  return title;
}

// The foreground window's title; a pop-up without one shows its owner's.
std::u16string CurrentTitle() {
  for (Window* w = FromHandle(S().active); w; w = w->owner)
    if (!w->text.empty()) return w->text;
  return std::u16string();
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH band = CreateSolidBrush(kBand);
  FillRect(dc, &r, band);
  DeleteObject(band);
  HPEN edge = CreatePen(PS_SOLID, 1, kEdge);
  HGDIOBJ oldPen = SelectObject(dc, edge);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.right, r.bottom - 1);
  SelectObject(dc, oldPen);
  DeleteObject(edge);

  LOGFONTW lf{};
  lf.lfHeight = -13;
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kText);
  ShownTitle() = CurrentTitle();
  RECT text{8, 0, r.right - 8, r.bottom - 1};
  DrawTextW(dc, ShownTitle().c_str(), static_cast<int>(ShownTitle().size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TitleBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterTitleBarClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TitleBarProc;
  wc.lpszClassName = u"HHTaskBar";
  RegisterSystemClass(wc);
}

void TitleChanged() {
  Window* bar = S().titleBar;
  if (!bar || bar->destroying) return;
  if (CurrentTitle() == ShownTitle()) return;
  InvalidateRect(bar->handle, nullptr, FALSE);
}

}  // namespace platform
