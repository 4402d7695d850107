// The progress window: placement over its owner, percentages, the first-position repaint,
// its caption bar, and what Set position lets through.
#include <gtest/gtest.h>

#include "platform/commctrl.h"
#include "tests/widgets/widget_fixture.h"
#include "widgets/caption_bar.h"
#include "widgets/progress_window.h"

namespace {

using widget_test::OnScreen;

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    skins_ = widget_test::LoadBuiltLibrary("tovu.dll");
    ASSERT_NE(skins_, nullptr);
    InitCaptionBar(skins_);
    RegisterProgressWindowClass();
    owner_ = widget_test::CreateHost(0, 26, 240, 268, u"Dictionary");
  }
  void TearDown() override {
    if (IsWindow(owner_)) DestroyWindow(owner_);
    InitCaptionBar(nullptr);
    FreeLibrary(skins_);
  }
  int Position(const ProgressWindow& p) { return static_cast<int>(SendMessageW(p.bar, PBM_GETPOS, 0, 0)); }

  test::HeadlessScreen screen_;
  HMODULE skins_ = nullptr;
  HWND owner_ = nullptr;
};

TEST_F(ProgressWindowTest, OpensCentredOverItsOwnerWithTheBarAtZero) {
  ProgressWindow p;
  ASSERT_EQ(p.Open(owner_, u"Searching....", 100), 1);
  EXPECT_EQ(GetParent(p.window), owner_);
  RECT r = widget_test::WindowRectOf(p.window);
  POINT o = OnScreen(owner_, (240 - 200) / 2, (268 - 89) / 2);
  EXPECT_EQ(r.left, o.x);
  EXPECT_EQ(r.top, o.y);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 89);
  RECT bar = widget_test::WindowRectOf(p.bar);
  EXPECT_EQ(bar.left - r.left, 20);
  EXPECT_EQ(bar.top - r.top, 45);
  EXPECT_EQ(bar.right - bar.left, 158);
  EXPECT_EQ(bar.bottom - bar.top, 21);
  EXPECT_EQ(Position(p), 0);
  EXPECT_EQ(SendMessageW(p.bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(lstrcmpW(p.captionBar->title, u"Duzavur Evuravuzad Search"), 0);
  EXPECT_TRUE(IsWindowVisible(p.window));
  EXPECT_TRUE(IsWindowEnabled(owner_));  // the handheld leaves its owner enabled
  // The frame's navy-blue outer line and the hatched body.
  EXPECT_TRUE(test::PixelIs(r.left, r.top + 50, RGB(0, 0, 192)));
  EXPECT_TRUE(test::PixelIs(r.left + 1, r.top + 50, RGB(255, 255, 255)));
  HWND panel = p.window;
  p.Close();
  EXPECT_FALSE(IsWindow(panel));
  EXPECT_EQ(p.window, nullptr);
}

TEST_F(ProgressWindowTest, PositionIsAPercentageOfTheMaximum) {
  ProgressWindow p;
  p.Open(owner_, u"Searching....", 100);
  p.SetPosition(37);
  EXPECT_EQ(Position(p), 37);
  p.Close();
  p.Open(owner_, u"Searching....", 200);
  p.SetPosition(37);
  EXPECT_EQ(Position(p), 18);
  p.SetPosition(200);
  EXPECT_EQ(Position(p), 100);
  // Byte counts of a large file: value * 100 does not fit 32 bits.
  p.Close();
  p.Open(owner_, u"Converting Dictionary File....", 40000000);
  p.SetPosition(30000000);
  EXPECT_EQ(Position(p), 75);
  p.Close();
  p.Open(owner_, u"Nothing to do", 0);
  p.SetPosition(5);
  EXPECT_EQ(Position(p), 0);
}

TEST_F(ProgressWindowTest, FirstPositionRepaintsThePanelLaterOnesOnlyTheBar) {
  ProgressWindow p;
  p.Open(owner_, u"Searching....", 100);
  test::RunUntilIdle();
  widget_test::PaintCounter panel(p.window);
  p.SetPosition(10);
  EXPECT_EQ(panel.count(), 1);
  p.SetPosition(20);
  p.SetPosition(30);
  EXPECT_EQ(panel.count(), 1);
  EXPECT_EQ(Position(p), 30);
}

LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  static int* counter = nullptr;
  if (m == WM_USER + 1) counter = reinterpret_cast<int*>(lp);
  if (m == WM_USER + 2 && counter) ++*counter;
  return DefWindowProcW(w, m, wp, lp);
}

TEST_F(ProgressWindowTest, SetPositionLetsWaitingMessagesThroughButKeepsTheQuit) {
  ASSERT_TRUE(test::RegisterTestClass(u"ProgressCounting", CountingProc));
  HWND w = CreateWindowExW(0, u"ProgressCounting", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  int handled = 0;
  SendMessageW(w, WM_USER + 1, 0, reinterpret_cast<LPARAM>(&handled));
  ProgressWindow p;
  p.Open(owner_, u"Searching....", 100);
  PostMessageW(w, WM_USER + 2, 0, 0);
  p.SetPosition(50);
  EXPECT_EQ(handled, 1);
  PostQuitMessage(3);
  p.SetPosition(60);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  p.Close();
  DestroyWindow(w);
}

TEST_F(ProgressWindowTest, CloseBoxLightsButDoesNotClose) {
  ProgressWindow p;
  p.Open(owner_, u"Searching....", 100);
  POINT box = OnScreen(p.window, 185, 10);
  test::StylusDown(box.x, box.y);
  EXPECT_EQ(p.captionBar->closeState, 2);
  test::StylusUp(box.x, box.y);
  EXPECT_TRUE(IsWindowVisible(p.window));
  EXPECT_NE(p.captionBar, nullptr);
}

TEST_F(ProgressWindowTest, SmallOwnerGetsThePanelAtNegativeOffsets) {
  HWND small = widget_test::CreateHost(60, 100, 151, 60, u"Small");
  ProgressWindow p;
  p.Open(small, u"Searching....", 100);
  RECT r = widget_test::WindowRectOf(p.window);
  EXPECT_EQ(r.left - 60, -25);  // (151 - 200) / 2 = -24.5, rounded down
  EXPECT_EQ(r.top - 100, -15);  // (60 - 89) / 2 = -14.5
  p.Close();
  DestroyWindow(small);
}

TEST_F(ProgressWindowTest, OwnerDestroyedWhileOpenThenClosed) {
  ProgressWindow* p = new ProgressWindow;
  p->Open(owner_, u"Searching....", 100);
  DestroyWindow(owner_);
  p->SetPosition(10);
  p->Close();
  delete p;
}

TEST_F(ProgressWindowTest, AtZeroAndThirtySevenPercentMatchTheGoldens) {
  ProgressWindow p;
  p.Open(owner_, u"Searching....", 100);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/progress_0.png"));
  p.SetPosition(37);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/progress_37.png"));
}

}  // namespace
