// Standard window scroll bars: drawn in the non-client area, tracked by the layer, and
// reported to the window as WM_VSCROLL / WM_HSCROLL.
#include <algorithm>

#include "user/non_client.h"

namespace platform {

namespace {

constexpr DWORD kFirstRepeat = 350;
constexpr DWORD kRepeat = 60;
constexpr int kMinimumThumb = 8;

struct Parts {
  RECT bar{};     // the whole bar
  RECT first{};   // up / left arrow
  RECT second{};  // down / right arrow
  RECT thumb{};   // empty when the bar cannot scroll
  int trackStart = 0, trackLength = 0;
};

bool Vertical(int bar) { return bar == SB_VERT; }

int Span(const ScrollBarState& s) { return s.max - s.min + 1; }

int MaxPos(const ScrollBarState& s) {
  int page = static_cast<int>(std::min<UINT>(s.page, static_cast<UINT>(std::max(0, Span(s)))));
  return std::max(s.min, s.max - std::max(page, 1) + 1);
}

bool CanScroll(const ScrollBarState& s) {
  return s.max > s.min && (s.page == 0 || static_cast<int>(s.page) < Span(s));
}

Parts Layout(const Window* w, int bar, int position) {
  Parts p;
  p.bar = ScrollBarRect(w, bar);
  if (RectEmpty(p.bar)) return p;
  bool v = Vertical(bar);
  int thick = v ? p.bar.right - p.bar.left : p.bar.bottom - p.bar.top;
  int length = v ? p.bar.bottom - p.bar.top : p.bar.right - p.bar.left;
  int arrow = std::min(thick, length / 2);
  if (v) {
    p.first = RECT{p.bar.left, p.bar.top, p.bar.right, p.bar.top + arrow};
    p.second = RECT{p.bar.left, p.bar.bottom - arrow, p.bar.right, p.bar.bottom};
  } else {
    p.first = RECT{p.bar.left, p.bar.top, p.bar.left + arrow, p.bar.bottom};
    p.second = RECT{p.bar.right - arrow, p.bar.top, p.bar.right, p.bar.bottom};
  }
  p.trackStart = (v ? p.bar.top : p.bar.left) + arrow;
  p.trackLength = length - 2 * arrow;
  const ScrollBarState& s = w->scroll[bar];
  if (!CanScroll(s) || p.trackLength < kMinimumThumb) return p;
  int thumb = s.page ? static_cast<int>(static_cast<long long>(p.trackLength) * s.page / Span(s)) : thick;
  thumb = std::clamp(thumb, kMinimumThumb, p.trackLength);
  int range = MaxPos(s) - s.min;
  int offset = range > 0 ? static_cast<int>(static_cast<long long>(p.trackLength - thumb) *
                                            (std::clamp(position, s.min, MaxPos(s)) - s.min) / range)
                         : 0;
  int start = p.trackStart + offset;
  p.thumb = v ? RECT{p.bar.left, start, p.bar.right, start + thumb}
              : RECT{start, p.bar.top, start + thumb, p.bar.bottom};
  return p;
}

void Raised(HDC dc, RECT r) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, light);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.left, r.top);
  LineTo(dc, r.right - 1, r.top);
  SelectObject(dc, dark);
  LineTo(dc, r.right - 1, r.bottom - 1);
  LineTo(dc, r.left - 1, r.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

// A small filled triangle pointing along the bar: `direction` 0 up, 1 down, 2 left, 3 right.
void Arrow(HDC dc, RECT r, int direction, bool enabled) {
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  HGDIOBJ old = SelectObject(dc, pen);
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  int size = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
  for (int i = 0; i < size; ++i) {
    switch (direction) {
      case 0: MoveToEx(dc, cx - i, cy - size / 2 + i, nullptr); LineTo(dc, cx + i + 1, cy - size / 2 + i); break;
      case 1: MoveToEx(dc, cx - i, cy + size / 2 - i, nullptr); LineTo(dc, cx + i + 1, cy + size / 2 - i); break;
      case 2: MoveToEx(dc, cx - size / 2 + i, cy - i, nullptr); LineTo(dc, cx - size / 2 + i, cy + i + 1); break;
      default: MoveToEx(dc, cx + size / 2 - i, cy - i, nullptr); LineTo(dc, cx + size / 2 - i, cy + i + 1); break;
    }
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintBar(Window* w, HDC dc, int bar) {
  const ScrollBarState& s = w->scroll[bar];
  Parts p = Layout(w, bar, s.tracking ? s.trackPos : s.pos);
  if (RectEmpty(p.bar)) return;
  HBRUSH track = CreateSolidBrush(RGB(238, 238, 238));
  FillRect(dc, &p.bar, track);
  DeleteObject(track);
  bool enabled = CanScroll(s);
  Raised(dc, p.first);
  Raised(dc, p.second);
  Arrow(dc, p.first, Vertical(bar) ? 0 : 2, enabled);
  Arrow(dc, p.second, Vertical(bar) ? 1 : 3, enabled);
  if (!RectEmpty(p.thumb)) Raised(dc, p.thumb);
}

void RepaintBar(Window* w, int bar) {
  HDC dc = GetWindowDC(w->handle);
  if (!dc) return;
  PaintBar(w, dc, bar);
  ReleaseDC(w->handle, dc);
}

void SendScroll(HWND hwnd, int bar, WORD code, int position) {
  SendMessageW(hwnd, Vertical(bar) ? WM_VSCROLL : WM_HSCROLL,
               MAKEWPARAM(code, static_cast<WORD>(position)), 0);
}

bool WaitAtMost(DWORD ms) {
  State& s = S();
  if (!s.backend) return false;
  return s.backend->Wait(std::min(ms, MillisecondsToNextTimer()), s.input);
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

Window* ForBar(HWND hwnd, int bar) {
  Window* w = FromHandle(hwnd);
  if (!w || (bar != SB_HORZ && bar != SB_VERT)) return nullptr;
  return w;
}

}  // namespace

RECT ScrollBarRect(const Window* w, int bar) {
  DWORD style = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  if (!(w->style & style)) return RECT{0, 0, 0, 0};
  const RECT& c = w->client;
  if (bar == SB_VERT)
    return RECT{c.right, c.top, c.right + GetSystemMetrics(SM_CXVSCROLL), c.bottom};
  return RECT{c.left, c.bottom, c.right, c.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

void PaintScrollBars(Window* w, HDC dc) {
  PaintBar(w, dc, SB_VERT);
  PaintBar(w, dc, SB_HORZ);
}

void TrackScrollBar(Window* w, int bar, POINT screen) {
  HWND hwnd = w->handle;
  RECT whole = ScreenRect(w, Area::Whole);
  POINT p{screen.x - whole.left, screen.y - whole.top};
  Parts parts = Layout(w, bar, w->scroll[bar].pos);
  if (!CanScroll(w->scroll[bar])) return;
  bool v = Vertical(bar);
  enum { None, LineBack, LineOn, PageBack, PageOn, Thumb } what = None;
  if (Inside(parts.first, p)) what = LineBack;
  else if (Inside(parts.second, p)) what = LineOn;
  else if (Inside(parts.thumb, p)) what = Thumb;
  else if (v ? p.y < parts.thumb.top : p.x < parts.thumb.left) what = PageBack;
  else what = PageOn;

  int grab = v ? p.y - parts.thumb.top : p.x - parts.thumb.left;
  auto step = [&]() {
    WORD code = what == LineBack ? SB_LINEUP : what == LineOn ? SB_LINEDOWN : what == PageBack ? SB_PAGEUP : SB_PAGEDOWN;
    Window* now = FromHandle(hwnd);
    if (!now) return;
    // Paging stops once the thumb has reached the stylus.
    Parts here = Layout(now, bar, now->scroll[bar].pos);
    if (what == PageBack && (v ? p.y >= here.thumb.top : p.x >= here.thumb.left)) return;
    if (what == PageOn && (v ? p.y < here.thumb.bottom : p.x < here.thumb.right)) return;
    SendScroll(hwnd, bar, code, 0);
  };

  SetCapture(hwnd);
  if (what == Thumb) {
    w->scroll[bar].tracking = true;
    w->scroll[bar].trackPos = w->scroll[bar].pos;
  } else {
    step();
  }
  DWORD next = Now() + kFirstRepeat;
  for (;;) {
    if (GetCapture() != hwnd || !IsWindow(hwnd)) break;
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      DWORD now = Now();
      if (what != Thumb && static_cast<int32_t>(now - next) >= 0) {
        step();
        next = now + kRepeat;
        continue;
      }
      DWORD wait = what == Thumb ? INFINITE : next - now;
      if (!WaitAtMost(wait)) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    Window* now = FromHandle(hwnd);
    if (!now) return;
    RECT wr = ScreenRect(now, Area::Whole);
    POINT q{m.pt.x - wr.left, m.pt.y - wr.top};
    if (m.hwnd == hwnd && m.message == WM_MOUSEMOVE) {
      p = q;
      if (what == Thumb) {
        ScrollBarState& s = now->scroll[bar];
        Parts lay = Layout(now, bar, s.pos);
        int thumb = v ? lay.thumb.bottom - lay.thumb.top : lay.thumb.right - lay.thumb.left;
        int room = lay.trackLength - thumb;
        int at = (v ? q.y : q.x) - grab - lay.trackStart;
        int pos = room > 0 ? s.min + static_cast<int>(static_cast<long long>(std::clamp(at, 0, room)) *
                                                          (MaxPos(s) - s.min) / room)
                           : s.min;
        if (pos != s.trackPos) {
          s.trackPos = pos;
          RepaintBar(now, bar);
          SendScroll(hwnd, bar, SB_THUMBTRACK, pos);
        }
      }
      continue;
    }
    if (m.message == WM_LBUTTONUP) break;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  Window* now = FromHandle(hwnd);
  if (!now) return;
  if (what == Thumb) {
    now->scroll[bar].tracking = false;
    SendScroll(hwnd, bar, SB_THUMBPOSITION, now->scroll[bar].trackPos);
    if (!(now = FromHandle(hwnd))) return;
    RepaintBar(now, bar);
  }
  SendScroll(hwnd, bar, SB_ENDSCROLL, 0);
}

}  // namespace platform

using namespace platform;

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  Window* w = ForBar(hwnd, bar);
  if (!w || !info) return 0;
  ScrollBarState& s = w->scroll[bar];
  if (info->fMask & SIF_RANGE) {
    s.min = info->nMin;
    s.max = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE) s.page = info->nPage;
  if (info->fMask & SIF_POS) s.pos = info->nPos;
  s.pos = std::clamp(s.pos, s.min, MaxPos(s));
  if (redraw && ReallyVisible(w)) RepaintBar(w, bar);
  return s.pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  Window* w = ForBar(hwnd, bar);
  if (!w || !info) return FALSE;
  const ScrollBarState& s = w->scroll[bar];
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.min;
    info->nMax = s.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.page;
  if (info->fMask & SIF_POS) info->nPos = s.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.tracking ? s.trackPos : s.pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int position, BOOL redraw) {
  Window* w = ForBar(hwnd, bar);
  if (!w) return 0;
  int old = w->scroll[bar].pos;
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, position, 0};
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  Window* w = ForBar(hwnd, bar);
  return w ? w->scroll[bar].pos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minimum, int maximum, BOOL redraw) {
  SCROLLINFO si{sizeof si, SIF_RANGE, minimum, maximum, 0, 0, 0};
  return ForBar(hwnd, bar) ? (SetScrollInfo(hwnd, bar, &si, redraw), TRUE) : FALSE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minimum, LPINT maximum) {
  Window* w = ForBar(hwnd, bar);
  if (!w) return FALSE;
  if (minimum) *minimum = w->scroll[bar].min;
  if (maximum) *maximum = w->scroll[bar].max;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  DWORD bits = bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : bar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : 0;
  if (!bits) return FALSE;
  DWORD style = show ? (w->style | bits) : (w->style & ~bits);
  if (style == w->style) return TRUE;
  w->style = style;
  return SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
