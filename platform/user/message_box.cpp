// MessageBoxW: the system's own modal box, drawn by the layer. A headless run records it and
// answers at once.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/utf.h"
#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kGap = 8;
constexpr int kMargin = 12;
constexpr int kIcon = 32;

struct Button {
  int id;
  const char16_t* text;
  RECT rect;
};

struct Box {
  std::u16string text;
  UINT type = 0;
  std::vector<Button> buttons;
  RECT textRect{};
  int pressed = -1;      // button index held down
  bool pressedIn = false;
  int result = 0;
  int defaultButton = 0;
};

std::vector<Button> ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, u"OK", {}}, {IDCANCEL, u"Cancel", {}}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, u"Abort", {}}, {IDRETRY, u"Retry", {}}, {IDIGNORE, u"Ignore", {}}};
    case MB_YESNOCANCEL: return {{IDYES, u"Yes", {}}, {IDNO, u"No", {}}, {IDCANCEL, u"Cancel", {}}};
    case MB_YESNO: return {{IDYES, u"Yes", {}}, {IDNO, u"No", {}}};
    case MB_RETRYCANCEL: return {{IDRETRY, u"Retry", {}}, {IDCANCEL, u"Cancel", {}}};
    default: return {{IDOK, u"OK", {}}};
  }
}

// What closing the box or Escape answers: Cancel when there is one, OK for a lone OK.
int CancelAnswer(const Box& box) {
  for (const Button& b : box.buttons)
    if (b.id == IDCANCEL) return IDCANCEL;
  if (box.buttons.size() == 1) return box.buttons[0].id;
  return 0;
}

HFONT BoxFont(bool bold) {
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Tahoma";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  return CreateFontIndirectW(&lf);
}

Box* BoxOf(HWND hwnd) { return reinterpret_cast<Box*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void DrawIcon(HDC dc, UINT type, int x, int y) {
  UINT icon = type & MB_ICONMASK;
  if (!icon) return;
  COLORREF fill = icon == MB_ICONHAND ? RGB(204, 0, 0) : icon == MB_ICONEXCLAMATION ? RGB(240, 200, 0) : RGB(0, 70, 190);
  const char16_t* mark = icon == MB_ICONHAND ? u"X" : icon == MB_ICONEXCLAMATION ? u"!" : icon == MB_ICONQUESTION ? u"?" : u"i";
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(64, 64, 64));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Ellipse(dc, x, y, x + kIcon, y + kIcon);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
  LOGFONTW lf{};
  lf.lfHeight = -20;
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const char16_t face[] = u"Arial";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, icon == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255));
  RECT r{x, y, x + kIcon, y + kIcon};
  DrawTextW(dc, mark, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

void DrawButton(HDC dc, const Button& b, bool pressed, bool isDefault) {
  RECT r = b.rect;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dc, &r, GetSysColorBrush(isDefault ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW));
  RECT in = r;
  InflateRect(&in, -1, -1);
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, in.left, in.bottom - 1, nullptr);
  LineTo(dc, in.left, in.top);
  LineTo(dc, in.right, in.top);
  SelectObject(dc, old);
  DeleteObject(light);
  HFONT font = BoxFont(false);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  if (pressed) OffsetRect(&r, 1, 1);
  DrawTextW(dc, b.text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

int ButtonAt(const Box& box, POINT p) {
  for (size_t i = 0; i < box.buttons.size(); ++i)
    if (PtInRect(&box.buttons[i].rect, p)) return static_cast<int>(i);
  return -1;
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Box* box = BoxOf(hwnd);
  if (!box) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
      DrawIcon(dc, box->type, kMargin, kMargin);
      HFONT font = BoxFont(false);
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      RECT t = box->textRect;
      DrawTextW(dc, box->text.c_str(), static_cast<int>(box->text.size()), &t, DT_WORDBREAK | DT_NOPREFIX);
      SelectObject(dc, old);
      DeleteObject(font);
      for (size_t i = 0; i < box->buttons.size(); ++i)
        DrawButton(dc, box->buttons[i], box->pressed == static_cast<int>(i) && box->pressedIn,
                   static_cast<int>(i) == box->defaultButton);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      box->pressed = ButtonAt(*box, p);
      box->pressedIn = box->pressed >= 0;
      if (box->pressed >= 0) {
        SetCapture(hwnd);
        InvalidateRect(hwnd, &box->buttons[static_cast<size_t>(box->pressed)].rect, FALSE);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (box->pressed >= 0) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool in = ButtonAt(*box, p) == box->pressed;
        if (in != box->pressedIn) {
          box->pressedIn = in;
          InvalidateRect(hwnd, &box->buttons[static_cast<size_t>(box->pressed)].rect, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (box->pressed >= 0) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int pressed = box->pressed;
        box->pressed = -1;
        ReleaseCapture();
        InvalidateRect(hwnd, &box->buttons[static_cast<size_t>(pressed)].rect, FALSE);
        if (ButtonAt(*box, p) == pressed) box->result = box->buttons[static_cast<size_t>(pressed)].id;
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE)
        box->result = box->buttons[static_cast<size_t>(box->defaultButton)].id;
      else if (wParam == VK_ESCAPE && CancelAnswer(*box))
        box->result = CancelAnswer(*box);
      return 0;
    case WM_CLOSE:
      if (CancelAnswer(*box)) box->result = CancelAnswer(*box);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterMessageBoxClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = BoxProc;
  wc.lpszClassName = u"#32770";
  RegisterSystemClass(wc);
}

}  // namespace platform

using namespace platform;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  EnsureStarted();
  State& s = S();
  Box box;
  box.text = text ? text : u"";
  box.type = type;
  box.buttons = ButtonsFor(type);
  box.defaultButton = ((type & MB_DEFMASK) >> 8) < box.buttons.size() ? static_cast<int>((type & MB_DEFMASK) >> 8) : 0;
  std::u16string title = caption ? caption : u"Error";
  std::fprintf(stderr, "%s: %s\n", Utf8FromUtf16(title).c_str(), Utf8FromUtf16(box.text).c_str());

  if (s.backend->AnswersMessageBoxes()) {
    headless::Record r;
    r.call = "MessageBox";
    r.text = box.text;
    r.detail = title;
    r.flags = type;
    r.owner = owner;
    s.backend->Note(r);
    return box.buttons[static_cast<size_t>(box.defaultButton)].id;
  }

  // Measure: the text wraps at a width that suits the screen.
  int maxText = std::min<int>(360, s.screen.width() - 2 * kMargin - kIcon - 40);
  RECT measure{0, 0, std::max(80, maxText), 0};
  HDC screenDC = GetDC(nullptr);
  HFONT font = BoxFont(false);
  HGDIOBJ old = SelectObject(screenDC, font);
  DrawTextW(screenDC, box.text.c_str(), static_cast<int>(box.text.size()), &measure,
            DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
  SelectObject(screenDC, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screenDC);
  int iconSpace = (type & MB_ICONMASK) ? kIcon + kMargin : 0;
  int textW = measure.right - measure.left, textH = std::max<int>(measure.bottom - measure.top, 14);
  int buttonsW = static_cast<int>(box.buttons.size()) * (kButtonWidth + kGap) - kGap;
  int clientW = std::max(iconSpace + textW, buttonsW) + 2 * kMargin;
  clientW = std::max(clientW, 160);
  int contentH = std::max(textH, iconSpace ? kIcon : 0);
  int clientH = kMargin + contentH + kMargin + kButtonHeight + kMargin;
  box.textRect = RECT{kMargin + iconSpace, kMargin + (contentH - textH) / 2, kMargin + iconSpace + textW,
                      kMargin + (contentH - textH) / 2 + textH};
  int bx = (clientW - buttonsW) / 2, by = clientH - kMargin - kButtonHeight;
  for (Button& b : box.buttons) {
    b.rect = RECT{bx, by, bx + kButtonWidth, by + kButtonHeight};
    bx += kButtonWidth + kGap;
  }

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
  bool desktop = s.kind == ScreenKind::Desktop;
  int frame = desktop ? 3 : 1;
  int outerW = clientW + 2 * frame;
  int outerH = clientH + 2 * frame + (desktop ? GetSystemMetrics(SM_CYCAPTION) : 0);
  if (!desktop) style = WS_POPUP | WS_BORDER;
  RECT area = s.workArea;
  Window* ownerWindow = owner ? Root(FromHandle(owner)) : nullptr;
  if (ownerWindow) area = ScreenRect(ownerWindow, Area::Whole);
  int x = area.left + (area.right - area.left - outerW) / 2;
  int y = area.top + (area.bottom - area.top - outerH) / 2;
  x = std::clamp<int>(x, s.workArea.left, std::max<int>(s.workArea.left, s.workArea.right - outerW));
  y = std::clamp<int>(y, s.workArea.top, std::max<int>(s.workArea.top, s.workArea.bottom - outerH));

  HWND hwnd = CreateWindowExW(WS_EX_TOPMOST * ((type & MB_TOPMOST) != 0), u"#32770", title.c_str(), style, x, y,
                              outerW, outerH, ownerWindow ? ownerWindow->handle : nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) return 0;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&box));
  HWND ownerHandle = ownerWindow ? ownerWindow->handle : nullptr;
  bool ownerWasEnabled = ownerHandle && IsWindowEnabled(ownerHandle);
  if (ownerWasEnabled) EnableWindow(ownerHandle, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  SetFocus(hwnd);
  while (!box.result && IsWindow(hwnd)) {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitForMore()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  int result = box.result ? box.result : CancelAnswer(box);
  if (!result) result = box.buttons[0].id;
  if (ownerWasEnabled && IsWindow(ownerHandle)) EnableWindow(ownerHandle, TRUE);
  if (IsWindow(hwnd)) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
  }
  if (ownerHandle && IsWindow(ownerHandle)) SetActiveWindow(ownerHandle);
  return result;
}
