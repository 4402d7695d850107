// The platform clock: the backend's time (virtual in headless runs) once a window system has
// started, the real clock before. It knows the backend only through SetClockBackend, so that a
// program without a screen (a lookup on the command line) has time without the window system.
#include <chrono>
#include <thread>

#include "user/window_system.h"

namespace platform {

namespace {
Backend* g_backend = nullptr;
std::deque<InputEvent>* g_input = nullptr;
}  // namespace

void SetClockBackend(Backend* backend, std::deque<InputEvent>* input) {
  g_backend = backend;
  g_input = input;
}

DWORD Now() {
  if (g_backend) return g_backend->Ticks();
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
  if (g_backend) {
    g_backend->Sleep(milliseconds, *g_input);
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
