#include "widgets/message_box.h"

#include "device/shell/drawing.h"
#include "device/shell/services.h"
#include "platform/mmsystem.h"
#include "widgets/caption_bar.h"
#include "widgets/text_button.h"
#include "widgets/variant.h"
#include "widgets/window_frame.h"

static const WCHAR kClassName[] = u"MyMessageBox";

#if ORLEND_INSTALLER_VARIANT
static const int kFontSize = 12;
static const WCHAR kTitle[] = u"WENLU Installer";
#else
static const int kFontSize = 11;
static const WCHAR kTitle[] = u"Duzavur Evuravuzad";
static const int kWidth = 210;
#endif

static HMODULE g_pictureLibrary;

// One box at a time, program-wide.
static HWND g_owner;
static int g_result;
static int g_yesNo;
static int g_open;
static WCHAR* g_text;
static HWND g_box;
static int g_width, g_height;
static CaptionBar* g_captionBar;
static TextButton* g_firstButton;
static TextButton* g_noButton;
static HBITMAP g_picture;

void SetMessageBoxPictureLibrary(HMODULE pictureLibrary) { g_pictureLibrary = pictureLibrary; }

static HFONT TextFont() {
  return CreateFontW(-kFontSize, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                     u"Tahoma");
}

static void OnFirstButton() { g_result = 2; }
static void OnNoButton() { g_result = 1; }

#if ORLEND_INSTALLER_VARIANT
static int LineCount(const WCHAR* text) {
  int lines = 1;
  for (const WCHAR* c = text; *c; ++c)
    if (*c == u'\n') ++lines;
  return lines;
}

static RECT TextRect() {
  return RECT{70, 36, g_width + 110, 36 + 15 * LineCount(g_text)};
}
#else
static RECT TextRect() { return RECT{54, 26, 190, 1000}; }
#endif

static void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (g_captionBar) g_captionBar->Draw(dc);
  FillHatched(dc, 2, 20, g_width - 2, g_height - 22, 1);
  DrawWindowFrame(window, dc);
#if !ORLEND_INSTALLER_VARIANT
  if (g_picture) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, g_picture);
    BitBlt(dc, 12, 30, 32, 32, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
#endif
  if (g_text) {
    HFONT font = TextFont();
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 128));
    RECT r = TextRect();
    DrawTextW(dc, g_text, -1, &r, DT_WORDBREAK);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  EndPaint(window, &ps);
}

static LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != g_box) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_MOUSEMOVE:
      if (g_captionBar) g_captionBar->MouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (g_captionBar) g_captionBar->ButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      if (g_captionBar && g_captionBar->ButtonUp(lParam) && g_result == -1) g_result = 0;
      return 0;
#if !ORLEND_INSTALLER_VARIANT
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      return 0;
#endif
    case WM_DESTROY:
      // Destroyed from outside (its owner went away): the wait must end.
      if (g_result == -1) g_result = 0;
      g_box = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static void RegisterMessageBoxClass() {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MessageBoxProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
}

// Measures the text and sets the box's size; returns the buttons' row.
static int Measure() {
  HDC dc = GetDC(g_box);
  HFONT font = TextFont();
  HGDIOBJ old = SelectObject(dc, font);
  int buttonsY;
#if ORLEND_INSTALLER_VARIANT
  int widest = 0, lineHeight = 0, lines = 0;
  const WCHAR* start = g_text;
  for (;;) {
    const WCHAR* end = start;
    while (*end && *end != u'\n') ++end;
    SIZE size{};
    GetTextExtentPoint32W(dc, start, static_cast<int>(end - start), &size);
    if (size.cx > widest) widest = size.cx;
    if (size.cy > lineHeight) lineHeight = size.cy;
    ++lines;
    if (!*end) break;
    start = end + 1;
  }
  g_width = widest + 110 < 260 ? 260 : widest + 110;
  int even = (lines - 1) * lineHeight + 104;
  even += even & 1;
  g_height = even + 1;
  buttonsY = even - 32;
#else
  RECT r = TextRect();
  DrawTextW(dc, g_text, -1, &r, DT_WORDBREAK | DT_CALCRECT);
  g_width = kWidth;
  g_height = r.bottom + 52;
  buttonsY = g_height % 2 == 0 ? g_height - 31 : g_height - 30;
#endif
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(g_box, dc);
  return buttonsY;
}

static void CreateButtons(int y) {
#if ORLEND_INSTALLER_VARIANT
  int yesX = g_width / 2 - 60, noX = g_width / 2 + 10, okX = (g_width - 50) / 2;
#else
  int yesX = 45, noX = 115, okX = 80;
#endif
  if (g_yesNo) {
    g_firstButton = new TextButton(g_box, yesX, y, u" Yes ", kFontSize, nullptr, OnFirstButton, nullptr, 0);
    g_noButton = new TextButton(g_box, noX, y, u" No ", kFontSize, nullptr, OnNoButton, nullptr, 0);
  } else {
    g_firstButton = new TextButton(g_box, okX, y, u" OK ", kFontSize, nullptr, OnFirstButton, nullptr, 0);
  }
}

// "sleep 10 ms, then dispatch all pending messages" until there is an answer.
static void WaitForAnswer() {
  while (g_result == -1) {
    Sleep(10);
    MSG msg;
    while (g_result == -1 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The program is asked to end: leave the quit for its own loop and give up.
        PostQuitMessage(static_cast<int>(msg.wParam));
        g_result = 0;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

int ShowMessageBox(HWND owner, const WCHAR* text, int type) {
  if (!owner || !IsWindow(owner)) return -1;
  // The box's state is program-wide: a second box from a handler running inside the
  // first one's wait would overwrite it. It is refused instead.
  if (g_open) return -1;
  g_open = 1;
#if ORLEND_INSTALLER_VARIANT
  PlaySoundW(u"res/0.wav", nullptr, SND_ASYNC);
#else
  PlayUiSound(0);
#endif
  EnableWindow(owner, FALSE);
  g_owner = owner;
  g_result = -1;
  g_yesNo = type % 10 == 2;
  const WCHAR* source = text ? text : u"";
  int length = lstrlenW(source);
  g_text = new WCHAR[length + 1];
  lstrcpynW(g_text, source, length + 1);

  RegisterMessageBoxClass();
  g_box = CreateWindowExW(0, kClassName, u"", WS_POPUP, 0, 0, 0, 0, owner, nullptr, nullptr, nullptr);
  if (g_box) {
#if !ORLEND_INSTALLER_VARIANT
    g_picture = g_pictureLibrary ? LoadBitmapW(g_pictureLibrary, MAKEINTRESOURCEW(g_yesNo ? 13465 : 13466)) : nullptr;
#endif
    int buttonsY = Measure();
    g_captionBar = new CaptionBar(g_box, g_width, 20, kTitle);
    // The buttons are children of a box still 0 x 0: size it first so they can be placed.
    SetWindowPos(g_box, nullptr, 0, 0, g_width, g_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateButtons(buttonsY);
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    int ownerWidth = ownerRect.right - ownerRect.left, ownerHeight = ownerRect.bottom - ownerRect.top;
    int left = ownerRect.left + (ownerWidth - g_width) / 2, top = ownerRect.top + (ownerHeight - g_height) / 2;
    SetWindowPos(g_box, HWND_TOP, left, top, g_width, g_height, SWP_SHOWWINDOW);
    g_firstButton->Focus();
    WaitForAnswer();
  } else {
    g_result = 0;
  }

  EnableWindow(owner, TRUE);
  if (g_box) ShowWindow(g_box, SW_HIDE);
  delete g_captionBar;
  delete g_firstButton;
  delete g_noButton;
  g_captionBar = nullptr;
  g_firstButton = g_noButton = nullptr;
  if (g_box) {
    HWND box = g_box;
    g_box = nullptr;
    DestroyWindow(box);
  }
  if (g_picture) DeleteObject(g_picture);
  g_picture = nullptr;
  delete[] g_text;
  g_text = nullptr;
  g_owner = nullptr;
  g_open = 0;
  return g_result;
}
