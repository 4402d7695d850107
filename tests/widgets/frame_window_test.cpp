// The frame window: its repaint rule, the frame and title in both looks, and the callbacks.
#include <gtest/gtest.h>

#include "tests/widgets/widget_fixture.h"
#include "widgets/frame_window.h"

namespace {

using widget_test::OnScreen;

int g_paints = 0, g_lastState = 99, g_lastButton = 0;
LPARAM g_lastMove = 0;
void PaintContent(HDC dc, int state) {
  ++g_paints;
  g_lastState = state;
  RECT r{30, 40, 60, 60};
  HBRUSH b = CreateSolidBrush(RGB(0, 128, 0));
  FillRect(dc, &r, b);
  DeleteObject(b);
}
void ButtonDown(int button) { g_lastButton = button; }
void Moved(LPARAM point) { g_lastMove = point; }

class FrameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    host_ = widget_test::CreateHost(0, 26, 240, 268);
    g_paints = 0;
    g_lastButton = 0;
    g_lastMove = 0;
  }
  void TearDown() override {
    for (FrameWindow* f : frames_) delete f;
    DestroyWindow(host_);
  }
  FrameWindow* Frame(int x, int y, int w, int h, const WCHAR* title, FramePaintCallback paint = PaintContent) {
    FrameWindow* f = new FrameWindow(host_, x, y, w, h, title, paint, ButtonDown, Moved);
    frames_.push_back(f);
    test::RunUntilIdle();
    return f;
  }
  test::HeadlessScreen screen_;
  HWND host_ = nullptr;
  std::vector<FrameWindow*> frames_;
};

TEST_F(FrameWindowTest, SetStateRepaintsOnChangeAndAlwaysForMinusOne) {
  FrameWindow* f = Frame(8, 8, 224, 127, nullptr);
  EXPECT_EQ(f->state, 1);
  g_paints = 0;
  EXPECT_EQ(f->SetState(1), 1);  // unchanged
  test::RunUntilIdle();
  EXPECT_EQ(g_paints, 0);
  f->SetState(-1);
  test::RunUntilIdle();
  EXPECT_EQ(g_paints, 1);
  EXPECT_EQ(g_lastState, -1);
  f->SetState(-1);
  test::RunUntilIdle();
  EXPECT_EQ(g_paints, 2);
  f->SetState(1);
  test::RunUntilIdle();
  f->SetState(1);
  test::RunUntilIdle();
  EXPECT_EQ(g_paints, 3);
  EXPECT_EQ(g_lastState, 1);
}

TEST_F(FrameWindowTest, UntitledFrameBorderAtTheTopRow) {
  FrameWindow* f = Frame(8, 8, 224, 127, nullptr);
  POINT o = OnScreen(f->window, 0, 0);
  EXPECT_TRUE(test::PixelIs(o.x + 112, o.y, RGB(194, 194, 194)));
  EXPECT_TRUE(test::PixelIs(o.x + 112, o.y + 126, RGB(194, 194, 194)));
  EXPECT_TRUE(test::PixelIs(o.x + 0, o.y + 60, RGB(194, 194, 194)));
  EXPECT_TRUE(test::PixelIs(o.x + 112, o.y + 1, RGB(255, 255, 255)));
  EXPECT_TRUE(test::PixelIs(o.x + 112, o.y + 2, RGB(255, 255, 255)));  // inside is white, not hatched
  EXPECT_TRUE(test::PixelIs(o.x, o.y, RGB(220, 220, 220)));             // the corner shows the hatching
  EXPECT_TRUE(test::PixelIs(o.x + 40, o.y + 50, RGB(0, 128, 0)));       // the owner's content
}

TEST_F(FrameWindowTest, TitledFrameInterruptsItsBorderAtRowEight) {
  FrameWindow* dark = Frame(8, 8, 224, 100, u"About");
  POINT o = OnScreen(dark->window, 0, 0);
  EXPECT_TRUE(test::PixelIs(o.x + 200, o.y + 8, RGB(194, 194, 194)));
  EXPECT_TRUE(test::PixelIs(o.x + 200, o.y + 6, RGB(220, 220, 220)));  // hatching above the border
  EXPECT_TRUE(test::PixelIs(o.x + 200, o.y + 7, RGB(255, 255, 255)));
  // Behind the title the border row is hatching, not the frame's grey.
  EXPECT_TRUE(test::PixelIs(o.x + 12, o.y + 8, RGB(220, 220, 220)));
  RECT title{o.x + 15, o.y, o.x + 60, o.y + 16};
  EXPECT_TRUE(widget_test::ScreenHasColour(title, RGB(0, 0, 128), 30));

  dark->SetState(0);
  test::RunUntilIdle();
  EXPECT_TRUE(test::PixelIs(o.x + 200, o.y + 8, RGB(220, 220, 220)));  // light frame pen
  EXPECT_TRUE(test::PixelIs(o.x + 200, o.y + 6, RGB(240, 240, 240)));  // light hatching
  EXPECT_FALSE(widget_test::ScreenHasColour(title, RGB(0, 0, 128), 60));
  EXPECT_TRUE(widget_test::ScreenHasColour(title, RGB(220, 220, 220), 0));
}

TEST_F(FrameWindowTest, MouseAndColourMessagesReachTheCallbacks) {
  FrameWindow* f = Frame(8, 8, 224, 127, nullptr);
  POINT p = OnScreen(f->window, 50, 70);
  test::StylusMove(p.x, p.y);
  EXPECT_EQ(GET_X_LPARAM(g_lastMove), 50);
  EXPECT_EQ(GET_Y_LPARAM(g_lastMove), 70);
  test::StylusDown(p.x, p.y);
  EXPECT_EQ(g_lastButton, 1);
  test::StylusUp(p.x, p.y);
  platform::InputEvent right;
  right.kind = platform::InputEvent::Kind::RightDown;
  right.point = p;
  platform::headless::Queue(test::Now(), right);
  test::RunUntilIdle();
  EXPECT_EQ(g_lastButton, 2);

  HDC dc = GetDC(f->window);
  LRESULT brush = SendMessageW(f->window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
  ReleaseDC(f->window, dc);
  EXPECT_EQ(SendMessageW(f->window, WM_COMMAND, 1, 0), 0);
}

TEST_F(FrameWindowTest, FramesMatchTheGolden) {
  Frame(8, 8, 224, 127, nullptr, nullptr);
  Frame(8, 142, 110, 60, u"Dark");
  FrameWindow* light = Frame(122, 142, 110, 60, u"Light");
  light->SetState(0);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/frame_window.png"));
}

}  // namespace
