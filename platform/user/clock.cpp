// The platform clock: the backend's time (virtual in headless runs).
#include <chrono>
#include <thread>

#include "user/window_system.h"

namespace platform {

DWORD Now() {
  State& s = S();
  if (s.backend) return s.backend->Ticks();
  static auto start = std::chrono::steady_clock::now();
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

}  // namespace platform

using namespace platform;

// Time does not need a screen: before the window system starts it is the real clock.
DWORD GetTickCount() { return Now(); }

void Sleep(DWORD milliseconds) {
  State& s = S();
  if (s.backend) {
    s.backend->Sleep(milliseconds, s.input);
    return;
  }
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD SleepEx(DWORD milliseconds, BOOL) {
  Sleep(milliseconds);
  return 0;
}
