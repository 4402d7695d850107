// Starting and stopping the window system on a screen, and presenting frames.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gdi_bridge.h"
#include "platform/png.h"
#include "user/instances.h"
#include "user/system_classes.h"
#include "user/window_system.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
// Taken while the program's static objects are made, close enough to the process start.
const Clock::time_point g_processStart = Clock::now();
Clock::time_point g_windowSystemStart;
bool g_finished = false;

double MillisecondsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void FinishAtExit() { FinishRun(); }

std::vector<FrameView> TopLevelViews() {
  State& s = S();
  std::vector<FrameView> views;
  for (Window* t : s.desktop->children) {
    if (!(t->style & WS_VISIBLE) || t == s.titleBar) continue;
    FrameView v;
    v.window = t->handle;
    v.rect = t->rect;
    v.title = t->text;
    v.topmost = (t->exStyle & WS_EX_TOPMOST) != 0;
    v.active = t->handle == s.active;
    views.push_back(v);
  }
  return views;
}

bool KeepPresentedFrame() { return !S().options.snapshot.empty(); }

}  // namespace

State& S() {
  // Never destroyed: at exit the display may be gone already (a lost X connection ends the
  // process through exit), and closing windows on it would hang.
  static State* state = new State;
  return *state;
}

bool StartWindowSystem(const Options& options) {
  State& s = S();
  if (s.started) return false;
  g_windowSystemStart = Clock::now();
  std::unique_ptr<Backend> backend = options.backend == BackendKind::Headless
                                         ? CreateHeadlessBackend(options)
                                         : CreateSdlBackend(options);
  if (!backend) return false;
  int width = options.width, height = options.height;
  RECT work{};
  if (options.screen == ScreenKind::Handheld) {
    if (width < 32 || height < 2 * kTitleBarHeight + 8 || width > 4096 || height > 4096) {
      std::fprintf(stderr, "platform: a handheld screen of %d x %d is not possible\n", width, height);
      return false;
    }
    work = RECT{0, kTitleBarHeight, width, height - kMenuBarHeight};
  } else {
    RECT screen{};
    backend->DesktopGeometry(&screen, &work);
    width = screen.right - screen.left;
    height = screen.bottom - screen.top;
  }
  if (!backend->Open(options.screen, width, height)) return false;

  static bool atExitRegistered = false;
  if (!atExitRegistered) {
    atExitRegistered = true;
    std::atexit(FinishAtExit);
  }
  g_finished = false;
  s.options = options;
  s.backend = std::move(backend);
  SetClockBackend(s.backend.get(), &s.input);
  s.kind = options.screen;
  s.workArea = work;
  s.menuBarArea = options.screen == ScreenKind::Handheld
                      ? RECT{0, height - kMenuBarHeight, width, height}
                      : RECT{0, 0, 0, 0};
  s.screen.resize(width, height, 0x00FFFFFF);
  s.cursor = POINT{width / 2, height / 2};
  SetScreenSize(width, height);
  RegisterLayerClasses();

  s.desktop = NewWindow(FindClass(u"#32769", true), nullptr);
  s.desktop->style = WS_VISIBLE | WS_CLIPCHILDREN;
  s.desktop->rect = RECT{0, 0, width, height};
  s.desktop->client = s.desktop->rect;
  s.desktop->update = Region(s.desktop->rect);
  s.desktop->erase = true;
  s.started = true;
  s.dirty = true;

  if (s.kind == ScreenKind::Handheld) {
    HWND bar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, u"HHTaskBar",
                               u"", WS_POPUP | WS_VISIBLE, 0, 0, width, kTitleBarHeight, nullptr,
                               nullptr, nullptr, nullptr);
    s.titleBar = FromHandle(bar);
  }
  return true;
}

void StopWindowSystem() {
  State& s = S();
  if (!s.started) return;
  FinishRun();
  std::vector<HWND> tops;
  for (Window* t : s.desktop->children) tops.push_back(t->handle);
  for (HWND h : tops) DestroyWindow(h);
  s.graveyard.clear();
  ResetClipboard();

  State fresh;
  fresh.classes = std::move(s.classes);
  fresh.systemClasses = std::move(s.systemClasses);
  fresh.nextAtom = s.nextAtom;
  fresh.nextHandle = s.nextHandle;  // handles of an earlier screen stay invalid
  fresh.nextTimerId = s.nextTimerId;
  for (auto& c : fresh.classes) c->windows = 0;
  for (auto& c : fresh.systemClasses) c->windows = 0;
  SetClockBackend(nullptr, nullptr);
  std::unique_ptr<Backend> backend = std::move(s.backend);
  s = std::move(fresh);
  backend.reset();
}

void EnsureStarted() {
  if (S().started) return;
  Options o;
  o.screen = ScreenKind::Desktop;
  const char* env = std::getenv("ORLEND_BACKEND");
  if (env && std::strcmp(env, "headless") == 0) o.backend = BackendKind::Headless;
  if (StartWindowSystem(o)) return;
  // A program that only wants a message box, run where there is no display, still runs:
  // the box goes to standard error.
  std::fprintf(stderr, "platform: no display; going on without one\n");
  o.backend = BackendKind::Headless;
  if (!StartWindowSystem(o)) {
    std::fprintf(stderr, "platform: the window system could not start\n");
    std::exit(2);
  }
}

void PresentIfIdle() {
  State& s = S();
  if (!s.started || !s.backend) return;
  if (!QueueIdle()) return;
  if (s.dirty) {
    s.backend->Present(s.screen, TopLevelViews());
    s.dirty = false;
    if (KeepPresentedFrame()) s.presented = s.screen;
    s.havePresented = true;
    if (!s.firstFramePresented) {
      s.firstFramePresented = true;
      const char* timing = std::getenv("ORLEND_TIMING");
      if (timing && *timing && *timing != '0')
        std::fprintf(stderr,
                     "platform: first frame %.1f ms after the process started, %.1f ms after the "
                     "window system started\n",
                     MillisecondsSince(g_processStart), MillisecondsSince(g_windowSystemStart));
    }
  }
  if (!s.pendingSnapshot.empty()) {
    std::string error;
    if (!WritePng(s.screen, s.pendingSnapshot, &error))
      std::fprintf(stderr, "platform: snapshot %s: %s\n", s.pendingSnapshot.c_str(), error.c_str());
    s.pendingSnapshot.clear();
  }
}

}  // namespace platform

namespace platform {

bool Start(const Options& options) { return StartWindowSystem(options); }

void Shutdown() { StopWindowSystem(); }

bool Started() { return S().started; }

unsigned FramesShown() { return S().backend ? S().backend->FramesShown() : 0; }

void FinishRun() {
  State& s = S();
  if (!s.started || g_finished) return;
  g_finished = true;
  ForgetInstance();
  s.finished = true;
  if (!s.options.snapshot.empty()) {
    // The frame the user saw last; before any frame, the screen as it is.
    const Surface& frame = s.havePresented ? s.presented : s.screen;
    std::string error;
    if (!WritePng(frame, s.options.snapshot, &error))
      std::fprintf(stderr, "platform: snapshot %s: %s\n", s.options.snapshot.c_str(), error.c_str());
  }
}

ScreenKind CurrentScreen() {
  EnsureStarted();
  return S().kind;
}

RECT MenuBarArea() {
  EnsureStarted();
  return S().menuBarArea;
}

void SendSettingChange(UINT flag, const WCHAR* section) {
  SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, flag, reinterpret_cast<LPARAM>(section));
}

}  // namespace platform
