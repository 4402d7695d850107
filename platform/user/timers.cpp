// Window timers on the platform clock. WM_TIMER is made when a timer is due and nothing
// else is waiting; taking it restarts the period from that moment, so a late timer does not
// fire several times to catch up.
#include <algorithm>

#include "user/window_system.h"

namespace platform {

namespace {

constexpr UINT kMinimumElapse = 10;  // the platform's shortest period

bool Due(DWORD now, DWORD due) { return static_cast<int32_t>(now - due) >= 0; }

}  // namespace

bool NextDueTimer(HWND filter, MSG* msg, bool remove) {
  State& s = S();
  DWORD now = Now();
  Timer* best = nullptr;
  for (Timer& t : s.timers) {
    if (!Due(now, t.due)) continue;
    if (filter == reinterpret_cast<HWND>(-1)) {
      if (t.window) continue;
    } else if (filter && t.window != filter && !IsChild(filter, t.window)) {
      continue;
    }
    if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
  }
  if (!best) return false;
  *msg = MSG{};
  msg->hwnd = best->window;
  msg->message = WM_TIMER;
  msg->wParam = best->id;
  msg->lParam = reinterpret_cast<LPARAM>(best->proc);
  msg->time = now;
  msg->pt = s.cursor;
  if (remove) best->due = now + best->elapse;
  return true;
}

DWORD MillisecondsToNextTimer() {
  State& s = S();
  if (s.timers.empty()) return INFINITE;
  DWORD now = Now();
  DWORD best = INFINITE;
  for (const Timer& t : s.timers) {
    DWORD wait = Due(now, t.due) ? 0 : t.due - now;
    best = std::min(best, wait);
  }
  return best;
}

void KillWindowTimers(HWND hwnd) {
  auto& timers = S().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [hwnd](const Timer& t) { return t.window == hwnd; }),
               timers.end());
}

}  // namespace platform

using namespace platform;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  EnsureStarted();
  State& s = S();
  if (hwnd && !FromHandle(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  elapse = std::max(elapse, kMinimumElapse);
  if (hwnd) {
    for (Timer& t : s.timers) {
      if (t.window == hwnd && t.id == id) {
        t.elapse = elapse;
        t.proc = proc;
        t.due = Now() + elapse;
        return id ? id : 1;
      }
    }
  } else {
    // Without a window the id names an existing timer to replace, or a new one is made.
    auto it = std::find_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return !t.window && t.id == id; });
    if (it != s.timers.end()) {
      it->elapse = elapse;
      it->proc = proc;
      it->due = Now() + elapse;
      return id;
    }
    id = s.nextTimerId++;
  }
  s.timers.push_back(Timer{hwnd, id, elapse, proc, Now() + elapse});
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  State& s = S();
  auto it = std::find_if(s.timers.begin(), s.timers.end(),
                         [&](const Timer& t) { return t.window == hwnd && t.id == id; });
  if (it == s.timers.end()) return FALSE;
  s.timers.erase(it);
  // A WM_TIMER already taken but not dispatched still arrives, as on the platform; one not
  // yet made is not made any more.
  return TRUE;
}
