// Inside the window system: windows, classes, the screen and the message queue state.
// One thread only; nothing here is locked.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "backends/backend.h"
#include "platform/platform.h"
#include "platform/region.h"
#include "platform/surface.h"
#include "platform/windows.h"

namespace platform {

struct WindowClass {
  std::u16string name;
  std::u16string upperName;  // for the case-insensitive look-up
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int classExtraBytes = 0;
  int windowExtraBytes = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool system = false;
  int windows = 0;  // live windows of the class (a class in use cannot be unregistered)
  std::vector<BYTE> classExtra;
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  bool tracking = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::u16string text;
  Window* parent = nullptr;  // the desktop window for top-level windows
  Window* owner = nullptr;   // pop-ups and other top-level windows only
  std::vector<Window*> children;  // z-order: front first
  RECT rect{};    // in the parent's client coordinates (screen coordinates for top level)
  RECT client{};  // client area in window coordinates (relative to rect's top-left)
  UINT_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::vector<BYTE> extra;
  Region update;  // client coordinates
  bool erase = false;
  bool frameDirty = false;  // non-client area needs WM_NCPAINT
  bool internalPaint = false;
  std::optional<Region> shape;  // window region, window coordinates
  bool redraw = true;           // WM_SETREDRAW
  bool destroying = false;
  bool destroyed = false;
  bool sizeSent = false;
  ScrollBarState scroll[2];  // SB_HORZ, SB_VERT
};

enum class Area { Client, Whole };

struct Timer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  DWORD due = 0;
};

struct State {
  bool started = false;
  Options options;
  std::unique_ptr<Backend> backend;
  ScreenKind kind = ScreenKind::Handheld;
  Surface screen;
  RECT workArea{};
  RECT menuBarArea{};  // handheld: the bottom strip where the menu bar sits

  std::vector<std::shared_ptr<WindowClass>> classes;        // the program's
  std::vector<std::shared_ptr<WindowClass>> systemClasses;  // the layer's
  ATOM nextAtom = 0xC000;

  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::vector<std::unique_ptr<Window>> graveyard;  // freed when no procedure is running
  uintptr_t nextHandle = 0x10000;
  Window* desktop = nullptr;
  Window* titleBar = nullptr;

  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  std::deque<MSG> inputMessages;  // input already turned into messages, not yet taken
  std::string pendingSnapshot;    // a scripted snapshot, written at the next idle point
  bool quitPosted = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 0x7000;
  int procDepth = 0;  // window procedures running (the graveyard waits for 0)
  DWORD lastMessageTime = 0;
  POINT lastMessagePos{};

  HWND focus = nullptr;
  HWND capture = nullptr;
  HWND active = nullptr;
  bool activating = false;
  POINT cursor{};
  bool stylusDown = false;
  BYTE keys[256] = {};

  bool dirty = true;  // the screen changed since the last frame was presented
  Surface presented;  // the last frame, kept when the run ends with a snapshot
  bool havePresented = false;
  bool firstFramePresented = false;
  bool finished = false;  // FinishRun has run for this screen
  DWORD startTicks = 0;
};

State& S();

// ---- start-up (screen.cpp)
void EnsureStarted();
bool StartWindowSystem(const Options& options);
void StopWindowSystem();
void PresentIfIdle();

// ---- windows (windows.cpp)
Window* FromHandle(HWND hwnd);  // null for stale or bad handles
Window* Root(Window* w);        // the top-level window holding w
bool IsTopLevel(const Window* w);
bool IsDescendant(const Window* ancestor, const Window* w);
void CollectGarbage();
std::shared_ptr<WindowClass> FindClass(LPCWSTR name, bool includeSystem);
std::u16string UpperName(std::u16string_view name);
Window* NewWindow(std::shared_ptr<WindowClass> cls, Window* parent);

// ---- geometry (geometry.cpp)
RECT ScreenRect(const Window* w, Area area);  // in screen coordinates
POINT ClientOrigin(const Window* w);          // client (0,0) in screen coordinates
bool ReallyVisible(const Window* w);          // w and all its ancestors visible
bool ReallyEnabled(const Window* w);
// Screen pixels the window can paint on: its area, cut by its ancestors' client areas and
// window regions, siblings above it (WS_CLIPSIBLINGS, always for top level) and, with
// WS_CLIPCHILDREN, its children.
Region VisibleRegion(const Window* w, Area area);
// Front-to-back walk: every window with what it shows on screen (descendants in front).
std::unordered_map<const Window*, Region> ScreenOwnership();
// Invalidates what became visible in each window since `before` was taken; `moved` and its
// descendants repaint whole.
void ExposeChanges(const std::unordered_map<const Window*, Region>& before, const Window* moved);
Window* HitTest(POINT screen, bool skipDisabled);
void RecalcClient(Window* w);

// ---- painting (painting.cpp)
void AddUpdate(Window* w, const Region& clientRegion, bool erase, bool children);
void InvalidateWhole(Window* w, bool erase);
Window* NextWindowToPaint(Window* within);
void MarkScreenDirty();
int InvalidationCount();
void AfterPaintMessage(HWND hwnd, int invalidationsBefore);

// ---- messages (messages.cpp, dispatch.cpp)
LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT Send(Window* w, UINT msg, WPARAM wp, LPARAM lp);
bool NextMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
bool WaitForMore();  // false when the run is over (headless, nothing left)
bool QueueIdle();    // nothing posted, no input, nothing to paint
void PurgeWindowMessages(HWND hwnd);

// ---- input (input.cpp)
bool InputToMessage(const InputEvent& in, MSG* msg);
void ReleaseStylusState();

// ---- focus and activation (focus.cpp)
void Activate(Window* w, bool byClick);
void WindowGoingAway(Window* w);  // focus, capture and activation leave w and its children
Window* NextToActivate(const Window* leaving);
void TitleChanged();

// ---- timers (timers.cpp)
bool NextDueTimer(HWND filter, MSG* msg, bool remove);
DWORD MillisecondsToNextTimer();  // INFINITE without timers
void KillWindowTimers(HWND hwnd);

// ---- clock (clock.cpp)
DWORD Now();
// The backend whose time Now, GetTickCount and Sleep follow (none: the real clock).
void SetClockBackend(Backend* backend, std::deque<InputEvent>* input);

// ---- system classes (system_classes.cpp)
void RegisterLayerClasses();
HBRUSH BrushFromClassBackground(HBRUSH background);

// ---- shell (platform/shell)
void ResetClipboard();

// ---- the screens' own windows (title_bar.cpp, desktop_window.cpp)
void RegisterTitleBarClass();
void RegisterDesktopClass();

// Calls the procedure with the layer's bookkeeping (depth, graveyard).
struct ProcScope {
  ProcScope() { ++S().procDepth; }
  ~ProcScope() { --S().procDepth; }
};

}  // namespace platform
