// The message queue: posting, retrieval in the platform's order, sending and dispatching.
#include <algorithm>

#include "user/window_system.h"

namespace platform {

namespace {

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  if (filter == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter && !IsChild(filter, m.hwnd)) {
    return false;
  }
  if (min == 0 && max == 0) return true;
  return m.message >= min && m.message <= max;
}

bool InRange(UINT message, UINT min, UINT max) {
  return (min == 0 && max == 0) || (message >= min && message <= max);
}

MSG Stamp(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wp;
  m.lParam = lp;
  m.time = Now();
  m.pt = S().cursor;
  return m;
}

bool TakePosted(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  auto& posted = S().posted;
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (!Matches(*it, filter, min, max)) continue;
    *msg = *it;
    if (remove) posted.erase(it);
    return true;
  }
  return false;
}

bool TakeInput(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  State& s = S();
  for (;;) {
    for (auto it = s.inputMessages.begin(); it != s.inputMessages.end(); ++it) {
      if (!Matches(*it, filter, min, max)) continue;
      *msg = *it;
      if (remove) s.inputMessages.erase(it);
      return true;
    }
    if (s.input.empty()) return false;
    // Input is turned into messages one event at a time, so targets, capture and activation
    // are those of the moment the program takes it; a filtered peek does not run ahead.
    if (!s.inputMessages.empty()) return false;
    InputEvent event = std::move(s.input.front());
    s.input.pop_front();
    if (event.kind == InputEvent::Kind::Text && event.text.size() > 1) {
      // One event per unit, made once: typing a text costs its length, not its square.
      std::vector<InputEvent> units(event.text.size() - 1);
      for (size_t i = 1; i < event.text.size(); ++i) {
        units[i - 1].kind = InputEvent::Kind::Text;
        units[i - 1].text.assign(1, event.text[i]);
      }
      s.input.insert(s.input.begin(), std::make_move_iterator(units.begin()), std::make_move_iterator(units.end()));
      event.text.resize(1);
    }
    MSG m{};
    if (InputToMessage(event, &m)) s.inputMessages.push_back(m);
  }
}

}  // namespace

LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ProcScope scope;
  if (!proc) return DefWindowProcW(hwnd, msg, wp, lp);
  return proc(hwnd, msg, wp, lp);
}

LRESULT Send(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w || w->destroyed) return 0;
  return CallProc(w->proc, w->handle, msg, wp, lp);
}

void PurgeWindowMessages(HWND hwnd) {
  State& s = S();
  auto gone = [hwnd](const MSG& m) { return m.hwnd == hwnd; };
  s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(), gone), s.posted.end());
  s.inputMessages.erase(std::remove_if(s.inputMessages.begin(), s.inputMessages.end(), gone),
                        s.inputMessages.end());
  if (s.focus == hwnd) s.focus = nullptr;
  if (s.capture == hwnd) s.capture = nullptr;
  if (s.active == hwnd) s.active = nullptr;
}

bool NextMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove) {
  State& s = S();
  CollectGarbage();
  if (s.backend) s.backend->Poll(s.input);
  if (TakePosted(msg, filter, min, max, remove)) return true;
  if (s.quitPosted && (!filter) && InRange(WM_QUIT, min, max)) {
    *msg = Stamp(nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0);
    if (remove) s.quitPosted = false;
    return true;
  }
  if (TakeInput(msg, filter, min, max, remove)) return true;
  if (InRange(WM_PAINT, min, max)) {
    Window* within = filter && filter != reinterpret_cast<HWND>(-1) ? FromHandle(filter) : nullptr;
    if (!filter || within) {
      if (Window* w = NextWindowToPaint(within)) {
        *msg = Stamp(w->handle, WM_PAINT, 0, 0);
        return true;
      }
    }
  }
  if (InRange(WM_TIMER, min, max) && NextDueTimer(filter, msg, remove)) return true;
  return false;
}

bool WaitForMore() {
  State& s = S();
  if (!s.backend) return false;
  return s.backend->Wait(MillisecondsToNextTimer(), s.input);
}

bool QueueIdle() {
  State& s = S();
  return s.posted.empty() && s.input.empty() && s.inputMessages.empty() && !s.quitPosted &&
         !NextWindowToPaint(nullptr);
}

}  // namespace platform

using namespace platform;

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    EnsureStarted();
    std::vector<HWND> list;
    for (Window* t : S().desktop->children) list.push_back(t->handle);
    for (HWND h : list)
      if (Window* w = FromHandle(h)) Send(w, message, wParam, lParam);
    return 0;
  }
  Window* w = FromHandle(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return Send(w, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  EnsureStarted();
  State& s = S();
  if (hwnd == HWND_BROADCAST) {
    for (Window* t : s.desktop->children) s.posted.push_back(Stamp(t->handle, message, wParam, lParam));
    return TRUE;
  }
  if (hwnd && !FromHandle(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  s.posted.push_back(Stamp(hwnd, message, wParam, lParam));
  return TRUE;
}

BOOL PostThreadMessageW(DWORD, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(nullptr, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  EnsureStarted();
  S().quitPosted = true;
  S().quitCode = exitCode;
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  EnsureStarted();
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !FromHandle(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    if (NextMessage(msg, hwnd, filterMin, filterMax, true)) {
      S().lastMessageTime = msg->time;
      S().lastMessagePos = msg->pt;
      return msg->message == WM_QUIT ? 0 : 1;
    }
    PresentIfIdle();
    if (!WaitForMore()) {
      // Nothing can come any more (a headless run has used up its input): the run ends.
      *msg = MSG{};
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(S().quitCode);
      msg->time = Now();
      return 0;
    }
  }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  EnsureStarted();
  if (!msg) return FALSE;
  if (NextMessage(msg, hwnd, filterMin, filterMax, (remove & PM_REMOVE) != 0)) {
    if (remove & PM_REMOVE) {
      S().lastMessageTime = msg->time;
      S().lastMessagePos = msg->pt;
    }
    return TRUE;
  }
  PresentIfIdle();
  return FALSE;
}

BOOL WaitMessage() {
  EnsureStarted();
  MSG m;
  if (NextMessage(&m, nullptr, 0, 0, false)) return TRUE;
  PresentIfIdle();
  return WaitForMore() ? TRUE : FALSE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD wakeMask) {
  EnsureStarted();
  if (count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  State& s = S();
  DWORD start = Now();
  for (;;) {
    if (s.backend) s.backend->Poll(s.input);
    if (HIWORD(GetQueueStatus(wakeMask ? wakeMask : QS_ALLINPUT))) return WAIT_OBJECT_0;
    DWORD elapsed = Now() - start;
    if (milliseconds != INFINITE && elapsed >= milliseconds) return WAIT_TIMEOUT;
    PresentIfIdle();
    DWORD left = milliseconds == INFINITE ? INFINITE : milliseconds - elapsed;
    DWORD timer = MillisecondsToNextTimer();
    if (!s.backend || !s.backend->Wait(std::min(left, timer), s.input)) return WAIT_TIMEOUT;
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP && msg->message != WM_SYSKEYDOWN &&
      msg->message != WM_SYSKEYUP)
    return FALSE;
  if (msg->message != WM_KEYDOWN) return TRUE;
  WCHAR ch = 0;
  UINT vk = static_cast<UINT>(msg->wParam);
  bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (vk == VK_RETURN) ch = u'\r';
  else if (vk == VK_BACK) ch = 8;
  else if (vk == VK_TAB) ch = u'\t';
  else if (vk == VK_ESCAPE) ch = 27;
  else if (control && vk >= 'A' && vk <= 'Z') ch = static_cast<WCHAR>(vk - 'A' + 1);
  if (ch) {
    MSG m = Stamp(msg->hwnd, WM_CHAR, ch, msg->lParam & 0x00FFFFFF);
    S().posted.push_front(m);
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a timer that exists with this procedure is called.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    auto& timers = S().timers;
    bool known = std::any_of(timers.begin(), timers.end(), [&](const Timer& t) {
      return t.window == msg->hwnd && t.id == msg->wParam && t.proc == proc;
    });
    if (!known) return 0;
    ProcScope scope;
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  Window* w = FromHandle(msg->hwnd);
  if (!w) return 0;
  if (msg->message == WM_PAINT) {
    int before = InvalidationCount();
    LRESULT r = Send(w, WM_PAINT, msg->wParam, msg->lParam);
    AfterPaintMessage(msg->hwnd, before);
    return r;
  }
  return Send(w, msg->message, msg->wParam, msg->lParam);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return CallProc(proc, hwnd, message, wParam, lParam);
}

BOOL InSendMessage() { return FALSE; }

DWORD GetMessageTime() { return S().lastMessageTime; }

DWORD GetMessagePos() {
  POINT p = S().lastMessagePos;
  return static_cast<DWORD>(MAKELONG(p.x, p.y));
}

DWORD GetQueueStatus(UINT flags) {
  EnsureStarted();
  State& s = S();
  if (s.backend) s.backend->Poll(s.input);
  DWORD status = 0;
  if (!s.posted.empty()) status |= QS_POSTMESSAGE;
  if (!s.input.empty() || !s.inputMessages.empty()) status |= QS_INPUT;
  if (NextWindowToPaint(nullptr)) status |= QS_PAINT;
  MSG m;
  if (NextDueTimer(nullptr, &m, false)) status |= QS_TIMER;
  status &= flags;
  return (status << 16) | status;
}
