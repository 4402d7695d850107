#include <atomic>

#include "kernel/kernel_object.h"

namespace platform {

bool WaitProcess(HANDLE handle, bool block);

namespace {
class Event : public KernelObject {
 public:
  Event(bool manual, bool initial) : KernelObject(Kind::Event), manual(manual), signalled(initial) {}
  bool manual;
  std::atomic<bool> signalled;
};
Event* AsEvent(HANDLE h) { return static_cast<Event*>(LookUpHandle(h, KernelObject::Kind::Event)); }
}  // namespace
}  // namespace platform

using namespace platform;

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR) {
  return new Event(manualReset, initialState);
}

BOOL SetEvent(HANDLE h) {
  Event* e = AsEvent(h);
  if (!e) return FALSE;
  e->signalled = true;
  return TRUE;
}

BOOL ResetEvent(HANDLE h) {
  Event* e = AsEvent(h);
  if (!e) return FALSE;
  e->signalled = false;
  return TRUE;
}

// Polls on the platform clock, so a wait in a headless run takes virtual time only.
DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds) {
  auto ready = [h]() -> int {
    if (Event* e = static_cast<Event*>(LookUpHandle(h, KernelObject::Kind::Event))) {
      bool expected = true;
      if (e->manual) return e->signalled ? 1 : 0;
      return e->signalled.compare_exchange_strong(expected, false) ? 1 : 0;
    }
    if (LookUpHandle(h, KernelObject::Kind::Process)) return WaitProcess(h, false) ? 1 : 0;
    return -1;
  };
  DWORD start = GetTickCount();
  for (;;) {
    int r = ready();
    if (r < 0) return WAIT_FAILED;
    if (r > 0) return WAIT_OBJECT_0;
    DWORD elapsed = GetTickCount() - start;
    if (milliseconds != INFINITE && elapsed >= milliseconds) return WAIT_TIMEOUT;
    DWORD step = milliseconds == INFINITE ? 10 : milliseconds - elapsed;
    Sleep(step < 10 ? step : 10);
  }
}
