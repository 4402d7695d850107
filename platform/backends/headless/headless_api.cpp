// The headless interface of platform.h: tests and scripts drive the program through it.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "backends/headless/headless_backend.h"
#include "platform/png.h"
#include "platform/regular_file.h"
#include "user/window_system.h"

namespace platform {

HeadlessBackend* ActiveHeadless() {
  State& s = S();
  if (!s.started || !s.backend || !s.backend->headless()) return nullptr;
  return static_cast<HeadlessBackend*>(s.backend.get());
}

namespace headless {

namespace {

// A procedure that invalidates itself while painting would keep this loop busy for ever.
constexpr int kMessageLimit = 1000000;

std::vector<Record>& NoRecords() {
  static std::vector<Record> none;
  none.clear();
  return none;
}

}  // namespace

bool Active() { return ActiveHeadless() != nullptr; }

DWORD Now() {
  HeadlessBackend* h = ActiveHeadless();
  return h ? h->Ticks() : 0;
}

void Queue(DWORD at, const InputEvent& event) {
  if (HeadlessBackend* h = ActiveHeadless()) h->Queue(at, event);
}

bool LoadScript(const std::string& text, std::string* error) {
  HeadlessBackend* h = ActiveHeadless();
  if (!h) {
    if (error) *error = "the headless backend is not running";
    return false;
  }
  std::vector<TimedEvent> events;
  if (!ParseScript(text, &events, error)) return false;
  DWORD base = h->Ticks();
  for (const TimedEvent& e : events) h->Queue(base + e.at, e.event);
  return true;
}

bool LoadScriptFile(const std::string& path, std::string* error) {
  std::string text, why;
  if (!ReadRegularFile(path, size_t{64} << 20, &text, &why)) {
    if (error) *error = "cannot read " + path + ": " + why;
    return false;
  }
  return LoadScript(text, error);
}

void RunUntilIdle() {
  if (!ActiveHeadless()) return;
  MSG m;
  for (int n = 0; n < kMessageLimit; ++n) {
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return;
    if (m.message == WM_QUIT) {
      // Left for the program's own loop to see.
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  std::fprintf(stderr, "platform: messages keep coming; RunUntilIdle gives up\n");
}

void RunFor(DWORD ms) {
  HeadlessBackend* h = ActiveHeadless();
  if (!h) return;
  DWORD target = h->Ticks() + ms;
  for (;;) {
    RunUntilIdle();
    if (S().quitPosted || !(h = ActiveHeadless())) return;
    DWORD now = h->Ticks();
    if (static_cast<int32_t>(now - target) >= 0) return;
    // Step to whatever falls due first: scripted input, a timer, or the end.
    DWORD next = target;
    DWORD event;
    if (h->NextEventTime(&event) && static_cast<int32_t>(event - next) < 0) next = event;
    DWORD timer = MillisecondsToNextTimer();
    if (timer != INFINITE && static_cast<int32_t>((now + timer) - next) < 0) next = now + timer;
    if (next == now) next = now + 1;
    h->AdvanceTo(next);
    h->MarkActivity();
  }
}

Surface Snapshot() { return S().started ? S().screen : Surface(); }

bool WriteSnapshot(const std::string& path, std::string* error) {
  if (!S().started) {
    if (error) *error = "no screen";
    return false;
  }
  return WritePng(S().screen, path, error);
}

const std::vector<Record>& Records() {
  HeadlessBackend* h = ActiveHeadless();
  return h ? h->records() : NoRecords();
}

void ClearRecords() {
  if (HeadlessBackend* h = ActiveHeadless()) h->records().clear();
}

}  // namespace headless
}  // namespace platform
