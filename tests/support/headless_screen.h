// A headless screen for one test, and scripted input on it. Input helpers without "Schedule"
// queue at the current virtual time and then run until nothing is left to do.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/windows.h"

namespace test {

class HeadlessScreen {
 public:
  // The handheld screen by default (240 x 320); the desktop takes the headless desktop size.
  explicit HeadlessScreen(platform::ScreenKind kind = platform::ScreenKind::Handheld, int width = 240,
                          int height = 320);
  ~HeadlessScreen();
  HeadlessScreen(const HeadlessScreen&) = delete;
  HeadlessScreen& operator=(const HeadlessScreen&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

void RunUntilIdle();
void Advance(DWORD ms);  // lets virtual time pass, dispatching what falls due
DWORD Now();

void Tap(int x, int y);
void StylusDown(int x, int y);
void StylusMove(int x, int y);
void StylusUp(int x, int y);
// The whole drag is queued before anything runs, so a loop that tracks the stylus itself
// (scroll bars, menus, a caption drag) sees every move.
void Drag(int x1, int y1, int x2, int y2, int steps = 5);
void Key(UINT vk);
void KeyDown(UINT vk);
void KeyUp(UINT vk);
void CtrlKey(char letter);
void Type(const std::u16string& text);

// For code that waits in a loop of its own (message boxes): input at a later virtual time.
void ScheduleTap(DWORD afterMs, int x, int y);
void ScheduleKey(DWORD afterMs, UINT vk);
void ScheduleStylus(DWORD afterMs, platform::InputEvent::Kind kind, int x, int y);

// A window class for tests: registered once per name, with the given procedure.
bool RegisterTestClass(const WCHAR* name, WNDPROC proc, HBRUSH background = nullptr, UINT style = 0);

}  // namespace test
