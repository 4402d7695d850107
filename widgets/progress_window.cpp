#include "widgets/progress_window.h"

#include "device/shell/drawing.h"
#include "platform/commctrl.h"
#include "widgets/caption_bar.h"
#include "widgets/variant.h"
#include "widgets/window_frame.h"

static const WCHAR kClassName[] = u"PWClass";
static const WCHAR kTitle[] = u"Duzavur Evuravuzad Search";

#if ORLEND_INSTALLER_VARIANT
static const int kWidth = 290, kHeight = 125;
static const RECT kBar{20, 55, 20 + 248, 55 + 21};
static const int kTextY = 36;
#else
static const int kWidth = 200, kHeight = 89;
static const RECT kBar{20, 45, 20 + 158, 45 + 21};
static const int kTextY = 26;
#endif

// Cleared by Open, set by the first position of the window opened last.
static int g_firstPositionDone;

static ProgressWindow* PanelOf(HWND window) {
  return reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

static void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Left for the program's own loop, which would otherwise never end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

static LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ProgressWindow* p = PanelOf(window);
  if (!p) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (p->captionBar) p->captionBar->Draw(dc);
      FillHatched(dc, 2, 20, kWidth - 2, kHeight - 22, 1);
      HFONT font = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, u"Tahoma");
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      int length = lstrlenW(p->message);
      SetTextColor(dc, RGB(192, 192, 192));
      TextOutW(dc, 24, kTextY + 2, p->message, length);
      SetTextColor(dc, RGB(0, 0, 128));
      TextOutW(dc, 22, kTextY, p->message, length);
      SelectObject(dc, old);
      DeleteObject(font);
      DrawWindowFrame(window, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (p->captionBar) p->captionBar->MouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (p->captionBar) p->captionBar->ButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      // The close box lights up but the operation cannot be stopped from here.
      if (p->captionBar) p->captionBar->ButtonUp(lParam);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterProgressWindowClass() {
  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ProgressProc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
}

ProgressWindow::ProgressWindow()
    : window(nullptr), bar(nullptr), captionBar(nullptr), maximum(0), message(nullptr), owner(nullptr) {}

ProgressWindow::~ProgressWindow() { Close(); }

// Halves rounded down, also when the owner is smaller than the panel.
static int HalfDown(int value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

int ProgressWindow::Open(HWND owner_, const WCHAR* message_, int maximum_) {
  Close();
  owner = owner_;
  maximum = maximum_;
  const WCHAR* text = message_ ? message_ : u"";
  int length = lstrlenW(text);
  message = new WCHAR[length + 1];
  lstrcpynW(message, text, length + 1);
  g_firstPositionDone = 0;

  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  int x = HalfDown(ownerRect.right - ownerRect.left - kWidth);
  int y = HalfDown(ownerRect.bottom - ownerRect.top - kHeight);
  window = CreateWindowExW(WS_EX_TOPMOST, kClassName, u"", WS_CHILD, x, y, kWidth, kHeight, owner, nullptr, nullptr,
                           nullptr);
  if (!window) return 0;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
#if ORLEND_INSTALLER_VARIANT
  EnableWindow(owner, FALSE);
#endif

  bar = CreateWindowExW(0, PROGRESS_CLASSW, u"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, kBar.left, kBar.top,
                        kBar.right - kBar.left, kBar.bottom - kBar.top, window, nullptr, nullptr, nullptr);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETSTEP, 1, 0);
  SendMessageW(bar, PBM_SETPOS, 0, 0);
#if ORLEND_INSTALLER_VARIANT
  SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(192, 192, 192));
  SendMessageW(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
#endif
  captionBar = new CaptionBar(window, kWidth, 20, kTitle);

  UpdateWindow(window);
  ShowWindow(window, SW_SHOW);
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpPending();
  return 1;
}

void ProgressWindow::SetPosition(int value) {
  if (!window) return;
  if (!g_firstPositionDone) {
    InvalidateRect(window, nullptr, TRUE);
    g_firstPositionDone = 1;
  }
  // Wide arithmetic: byte counts of large files times 100 overflow 32 bits.
  long long percent = maximum > 0 ? static_cast<long long>(value) * 100 / maximum : 0;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
#if ORLEND_INSTALLER_VARIANT
  SleepEx(10, TRUE);
#endif
  PumpPending();
}

void ProgressWindow::Close() {
  if (!window) {
    delete[] message;
    message = nullptr;
    return;
  }
  ShowWindow(window, SW_HIDE);
  PumpPending();
#if ORLEND_INSTALLER_VARIANT
  EnableWindow(owner, TRUE);
#endif
  delete captionBar;
  captionBar = nullptr;
  if (bar) DestroyWindow(bar);
  bar = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  window = nullptr;
  delete[] message;
  message = nullptr;
}
