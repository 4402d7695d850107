#include "widgets/explanation_popup.h"

#include "widgets/variant.h"

#if ORLEND_INSTALLER_VARIANT
static const WCHAR kPopupClass[] = u"PopupExplain";
static const COLORREF kBackground = RGB(255, 255, 230);
static const DWORD kQuality = ANTIALIASED_QUALITY;
#else
static const WCHAR kPopupClass[] = u"PicButtonPopupExplain";
static const COLORREF kBackground = RGB(255, 255, 192);
static const DWORD kQuality = DEFAULT_QUALITY;
#endif

static HFONT CreateExplanationFont() {
  return CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, kQuality, 0, u"Arial");
}

static LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WCHAR* text = reinterpret_cast<WCHAR*>(GetWindowLongPtrW(window, 0));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT client;
      GetClientRect(window, &client);
      HBRUSH brush = CreateSolidBrush(kBackground);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
#if ORLEND_INSTALLER_VARIANT
      FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
#endif
      if (text) {
        HFONT font = CreateExplanationFont();
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 128));
        TextOutW(dc, 5, 2, text, lstrlenW(text));
        SelectObject(dc, old);
        DeleteObject(font);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      delete[] text;
      SetWindowLongPtrW(window, 0, 0);
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND ShowExplanationPopup(HWND button, const WCHAR* text) {
  if (!text || !text[0]) return nullptr;
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = PopupProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kPopupClass;
  RegisterClassW(&wc);  // already there after the first tip: harmless

  POINT pointer;
  GetCursorPos(&pointer);
  HWND owner = GetAncestor(button, GA_ROOT);
#if ORLEND_INSTALLER_VARIANT
  DWORD exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
#else
  DWORD exStyle = 0;
#endif
  HWND popup = CreateWindowExW(exStyle, kPopupClass, u"", WS_POPUP, 0, 0, 0, 0, owner, nullptr, nullptr, nullptr);
  if (!popup) return nullptr;
  int length = lstrlenW(text);
  WCHAR* copy = new WCHAR[length + 1];
  lstrcpynW(copy, text, length + 1);
  SetWindowLongPtrW(popup, 0, reinterpret_cast<LONG_PTR>(copy));

  HDC dc = GetDC(popup);
  HFONT font = CreateExplanationFont();
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(popup, dc);

  // The tip's bottom-right corner lies at the pointer.
  int left = pointer.x - size.cx - 10, top = pointer.y - size.cy - 4;
#if ORLEND_INSTALLER_VARIANT
  if (left < 0) left = pointer.x;
  if (top < 0) top = pointer.y;
  SetWindowPos(popup, HWND_TOPMOST, left, top, size.cx + 10, size.cy + 4, SWP_NOACTIVATE | SWP_SHOWWINDOW);
#else
  // A tip never takes the activation (and with it the keyboard focus) from the program.
  SetWindowPos(popup, HWND_TOP, left, top, size.cx + 10, size.cy + 4, SWP_NOACTIVATE | SWP_SHOWWINDOW);
#endif
  return popup;
}

void ResetHoverTrack(HoverTrack* track) {
  SetRectEmpty(&track->still);
  track->stillSince = static_cast<DWORD>(-1);
}

void DestroyExplanationPopup(HoverTrack* track) {
  if (track->popup) {
    DestroyWindow(track->popup);
    track->popup = nullptr;
  }
}

int TrackHover(HoverTrack* track, HWND button, int width, int height, DWORD now, const WCHAR* text, int mayShow) {
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(button, &p);
  if (PtInRect(&track->still, p)) {
    // Tick counts wrap after 49 days; the difference stays right across the wrap.
    if (!track->popupUsed && !track->popup && now - track->stillSince > 1000 && mayShow && text && text[0]) {
      track->popupUsed = 1;
      track->popup = ShowExplanationPopup(button, text);
    }
  } else {
    DestroyExplanationPopup(track);
    SetRect(&track->still, p.x - 5, p.y - 5, p.x + 5, p.y + 5);
    track->stillSince = now;
  }
  RECT bounds{0, 0, width, height};
  if (PtInRect(&bounds, p)) return 1;
  ResetHoverTrack(track);
  return 0;
}
