#include "platform/demo/demo_window.h"

#include <algorithm>

#include "device/shell/drawing.h"

namespace {

constexpr COLORREF kMark = RGB(220, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);

HMODULE g_skins = nullptr;
POINT g_tap{-1, -1};

HFONT MakeFont(const WCHAR* face, int height, int weight, int charset) {
  LOGFONTW lf{};
  lf.lfHeight = -height;
  lf.lfWeight = weight;
  lf.lfCharSet = static_cast<BYTE>(charset);
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return CreateFontIndirectW(&lf);
}

void TextRun(HDC dc, int x, int y, const WCHAR* text, const WCHAR* face, int height, int weight, int charset,
             COLORREF colour) {
  HFONT font = MakeFont(face, height, weight, charset);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(lstrlenW(text)), nullptr);
  SelectObject(dc, old);
  DeleteObject(font);
}

// The panel inside the skin frame is a child window: the frame helpers draw from (0, 0).
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillSkinFrame(dc, r.right, r.bottom, 0);
    TextRun(dc, 12, 8, u"中文词典", u"MS Song", 24, FW_BOLD, GB2312_CHARSET, kNavy);
    TextRun(dc, 120, 14, u"zhōng wén cí diǎn", u"Arial", 11, FW_NORMAL, ANSI_CHARSET, RGB(128, 128, 128));
    TextRun(dc, 12, 42, u"中國 繁體字", u"MingLiU", 16, FW_BOLD, CHINESEBIG5_CHARSET, RGB(0, 0, 220));
    TextRun(dc, 120, 46, u"Chinese-English", u"Arial", 11, FW_BOLD, ANSI_CHARSET, kNavy);
    DrawStyledText(dc, 8, 70, u"Simplified (GB) and Traditional (Big5)", 11, 3, 1);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PaintMain(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillHatched(dc, 0, 0, r.right, r.bottom, 1);
  DrawStyledText(dc, 6, 6, u"Platform demo", 16, 2, 1);
  DrawStyledText(dc, 6, 30, u"Hatched background, skin frame", 11, 3, 1);
  DrawStyledText(dc, 6, 44, u"and the preset text styles:", 11, 3, 1);
  DrawStyledText(dc, 6, 170, u"Verdana, style 0", 11, 0, 1);
  DrawStyledText(dc, 6, 186, u"Times New Roman, style 1", 12, 1, 1);
  DrawStyledText(dc, 6, 202, u"Tahoma bold, style 4", 11, 4, 1);
  DrawStyledText(dc, 6, 218, u"Disabled, style 3", 11, 3, 0);
  DrawStyledText(dc, 6, 234, u"Arial, style 9", 11, 9, 1);
  if (g_tap.x >= 0) {
    HPEN pen = CreatePen(PS_SOLID, 1, kMark);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, g_tap.x - 6, g_tap.y, nullptr);
    LineTo(dc, g_tap.x + 7, g_tap.y);
    MoveToEx(dc, g_tap.x, g_tap.y - 6, nullptr);
    LineTo(dc, g_tap.x, g_tap.y + 7);
    SelectObject(dc, old);
    DeleteObject(pen);
    WCHAR text[48];
    wsprintfW(text, u"Tap at (%d, %d)", static_cast<int>(g_tap.x), static_cast<int>(g_tap.y));
    TextRun(dc, 6, r.bottom - 18, text, u"Tahoma", 12, FW_BOLD, ANSI_CHARSET, kMark);
  } else {
    TextRun(dc, 6, r.bottom - 18, u"Tap anywhere", u"Tahoma", 12, FW_BOLD, ANSI_CHARSET, kNavy);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      LoadSkinCorners(hwnd, g_skins);
      CreateWindowExW(0, u"PlatformDemoPanel", u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 6, 64, 228, 96, hwnd,
                      nullptr, nullptr, nullptr);
      return 0;
    }
    case WM_PAINT:
      PaintMain(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      g_tap = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The skin library ships beside the program.
HMODULE LoadSkins() {
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  int cut = static_cast<int>(n);
  while (cut > 0 && path[cut - 1] != u'/' && path[cut - 1] != u'\\') --cut;
  path[cut] = 0;
  if (cut + 9 >= MAX_PATH) return nullptr;
  lstrcatW(path, u"tovu.dll");
  return LoadLibraryW(path);
}

}  // namespace

int DemoMain(HINSTANCE instance, LPWSTR, int show) {
  g_skins = LoadSkins();
  WNDCLASSW panel{};
  panel.lpfnWndProc = PanelProc;
  panel.hInstance = instance;
  panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  panel.lpszClassName = u"PlatformDemoPanel";
  WNDCLASSW main{};
  main.style = CS_HREDRAW | CS_VREDRAW;
  main.lpfnWndProc = DemoProc;
  main.hInstance = instance;
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.lpszClassName = u"PlatformDemo";
  if (!RegisterClassW(&panel) || !RegisterClassW(&main)) return 1;
  HWND hwnd = CreateWindowExW(0, u"PlatformDemo", u"Platform demo", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
