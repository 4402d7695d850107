#include "tests/support/headless_screen.h"

#include <gtest/gtest.h>

namespace test {

namespace {

void QueueAt(DWORD at, platform::InputEvent::Kind kind, int x, int y, UINT key = 0) {
  platform::InputEvent e;
  e.kind = kind;
  e.point = POINT{x, y};
  e.key = key;
  platform::headless::Queue(at, e);
}

}  // namespace

HeadlessScreen::HeadlessScreen(platform::ScreenKind kind, int width, int height) {
  if (platform::Started()) platform::Shutdown();
  platform::Options o;
  o.backend = platform::BackendKind::Headless;
  o.screen = kind;
  o.width = width;
  o.height = height;
  ok_ = platform::Start(o);
  EXPECT_TRUE(ok_) << "the headless screen did not start";
  if (ok_) RunUntilIdle();
}

HeadlessScreen::~HeadlessScreen() { platform::Shutdown(); }

void RunUntilIdle() { platform::headless::RunUntilIdle(); }
void Advance(DWORD ms) { platform::headless::RunFor(ms); }
DWORD Now() { return platform::headless::Now(); }

void StylusDown(int x, int y) {
  QueueAt(Now(), platform::InputEvent::Kind::StylusDown, x, y);
  RunUntilIdle();
}

void StylusMove(int x, int y) {
  QueueAt(Now(), platform::InputEvent::Kind::StylusMove, x, y);
  RunUntilIdle();
}

void StylusUp(int x, int y) {
  QueueAt(Now(), platform::InputEvent::Kind::StylusUp, x, y);
  RunUntilIdle();
}

void Tap(int x, int y) {
  QueueAt(Now(), platform::InputEvent::Kind::StylusDown, x, y);
  QueueAt(Now(), platform::InputEvent::Kind::StylusUp, x, y);
  RunUntilIdle();
}

void Drag(int x1, int y1, int x2, int y2, int steps) {
  QueueAt(Now(), platform::InputEvent::Kind::StylusDown, x1, y1);
  for (int i = 1; i <= steps; ++i)
    QueueAt(Now(), platform::InputEvent::Kind::StylusMove, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
  QueueAt(Now(), platform::InputEvent::Kind::StylusUp, x2, y2);
  RunUntilIdle();
}

void KeyDown(UINT vk) {
  QueueAt(Now(), platform::InputEvent::Kind::KeyDown, 0, 0, vk);
  RunUntilIdle();
}

void KeyUp(UINT vk) {
  QueueAt(Now(), platform::InputEvent::Kind::KeyUp, 0, 0, vk);
  RunUntilIdle();
}

void Key(UINT vk) {
  QueueAt(Now(), platform::InputEvent::Kind::KeyDown, 0, 0, vk);
  QueueAt(Now(), platform::InputEvent::Kind::KeyUp, 0, 0, vk);
  RunUntilIdle();
}

void CtrlKey(char letter) {
  UINT vk = static_cast<UINT>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
  QueueAt(Now(), platform::InputEvent::Kind::KeyDown, 0, 0, VK_CONTROL);
  QueueAt(Now(), platform::InputEvent::Kind::KeyDown, 0, 0, vk);
  QueueAt(Now(), platform::InputEvent::Kind::KeyUp, 0, 0, vk);
  QueueAt(Now(), platform::InputEvent::Kind::KeyUp, 0, 0, VK_CONTROL);
  RunUntilIdle();
}

void Type(const std::u16string& text) {
  platform::InputEvent e;
  e.kind = platform::InputEvent::Kind::Text;
  e.text = text;
  platform::headless::Queue(Now(), e);
  RunUntilIdle();
}

void ScheduleTap(DWORD afterMs, int x, int y) {
  QueueAt(Now() + afterMs, platform::InputEvent::Kind::StylusDown, x, y);
  QueueAt(Now() + afterMs, platform::InputEvent::Kind::StylusUp, x, y);
}

void ScheduleKey(DWORD afterMs, UINT vk) {
  QueueAt(Now() + afterMs, platform::InputEvent::Kind::KeyDown, 0, 0, vk);
  QueueAt(Now() + afterMs, platform::InputEvent::Kind::KeyUp, 0, 0, vk);
}

void ScheduleStylus(DWORD afterMs, platform::InputEvent::Kind kind, int x, int y) {
  QueueAt(Now() + afterMs, kind, x, y);
}

bool RegisterTestClass(const WCHAR* name, WNDPROC proc, HBRUSH background, UINT style) {
  WNDCLASSW wc{};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (RegisterClassW(&wc)) return true;
  // Classes live as long as the process; a later test may register the same name again.
  UnregisterClassW(name, nullptr);
  return RegisterClassW(&wc) != 0;
}

}  // namespace test
