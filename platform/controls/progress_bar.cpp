// The "msctls_progress32" progress bar: range, step and position, a smooth bar or blocks,
// bar and background colours.
#include <algorithm>

#include "controls/control_classes.h"
#include "controls/control_common.h"
#include "user/system_classes.h"

namespace platform::controls {

namespace {

constexpr COLORREF kProgressFrame = RGB(160, 160, 160);

struct Progress {
  int min = 0;
  int max = 100;
  int pos = 0;
  int step = 10;
  COLORREF bar = CLR_DEFAULT;
  COLORREF background = CLR_DEFAULT;
};

Progress* Of(HWND hwnd) { return StateOf<Progress>(hwnd); }

int SetPos(HWND hwnd, Progress& p, long long pos) {
  int old = p.pos;
  p.pos = static_cast<int>(std::clamp<long long>(pos, p.min, std::max(p.min, p.max)));
  if (p.pos != old) InvalidateRect(hwnd, nullptr, FALSE);
  return old;
}

LRESULT SetRange(HWND hwnd, Progress& p, int low, int high) {
  LRESULT old = MAKELRESULT(p.min, p.max);
  p.min = low;
  p.max = high;
  p.pos = std::clamp(p.pos, p.min, std::max(p.min, p.max));
  InvalidateRect(hwnd, nullptr, FALSE);
  return old;
}

// The filled part of `inner`, in pixels.
int Filled(const Progress& p, int width) {
  long long span = static_cast<long long>(p.max) - p.min;
  if (span <= 0) return 0;
  return static_cast<int>((static_cast<long long>(p.pos) - p.min) * width / span);
}

void Paint(HWND hwnd, const Progress& p) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  COLORREF background = p.background == CLR_DEFAULT ? kWhite : p.background;
  COLORREF bar = p.bar == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : p.bar;
  FillSolid(dc, client, background);
  FrameSolid(dc, client, kProgressFrame);
  RECT inner = client;
  InflateRect(&inner, -2, -2);
  int width = inner.right - inner.left, height = inner.bottom - inner.top;
  if (width > 0 && height > 0) {
    int filled = Filled(p, width);
    if (GetWindowLongW(hwnd, GWL_STYLE) & PBS_SMOOTH) {
      FillSolid(dc, RECT{inner.left, inner.top, inner.left + filled, inner.bottom}, bar);
    } else {
      // Blocks as wide as two thirds of the height, two pixels apart, the last one cut.
      int block = std::max(2, height * 2 / 3), gap = 2;
      for (int x = 0; x < filled; x += block + gap)
        FillSolid(dc, RECT{inner.left + x, inner.top, inner.left + std::min(x + block, filled), inner.bottom}, bar);
    }
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetState(hwnd, new Progress());
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  Progress* p = Of(hwnd);
  if (!p) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCDESTROY:
      SetState<Progress>(hwnd, nullptr);
      delete p;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_PAINT:
      Paint(hwnd, *p);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case PBM_SETRANGE:
      return SetRange(hwnd, *p, LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32:
      return SetRange(hwnd, *p, static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
      if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) *range = PBRANGE{p->min, p->max};
      return wParam ? p->min : p->max;
    case PBM_SETPOS:
      return SetPos(hwnd, *p, static_cast<int>(wParam));
    case PBM_DELTAPOS:
      return SetPos(hwnd, *p, static_cast<long long>(p->pos) + static_cast<int>(wParam));
    case PBM_GETPOS:
      return p->pos;
    case PBM_SETSTEP: {
      int old = p->step;
      p->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      // Past the end the bar starts over from the beginning.
      long long next = static_cast<long long>(p->pos) + p->step;
      long long span = static_cast<long long>(p->max) - p->min;
      if (span > 0 && next > p->max) next = p->min + (next - p->min) % span;
      if (span > 0 && next < p->min) next = p->max - (p->min - next) % span;
      return SetPos(hwnd, *p, next);
    }
    case PBM_SETBARCOLOR: {
      COLORREF old = p->bar;
      p->bar = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case PBM_SETBKCOLOR: {
      COLORREF old = p->background;
      p->background = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterProgressClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProgressProc;
  wc.cbWndExtra = kStateBytes;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = PROGRESS_CLASSW;
  RegisterSystemClass(wc);
}

}  // namespace platform::controls
