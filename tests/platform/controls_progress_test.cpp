// The "msctls_progress32" progress bar: range, step and position answers, and the bar's
// pixels (the installer's grey on white at 37 %).
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;

class ProgressTest : public ControlsTest {};

TEST_F(ProgressTest, RangeStepAndPositionAnswerWithTheirPreviousValues) {
  HWND bar = Child(PROGRESS_CLASSW, 0, 20, 45, 158, 21);
  PBRANGE range{};
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
  EXPECT_EQ(range.iHigh, 100);
  EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 37, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 500, 0), 37);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);  // kept within the range
  EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 20)), MAKELRESULT(0, 100));
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 20);
  EXPECT_EQ(SendMessageW(bar, PBM_SETSTEP, 4, 0), 10);
  SendMessageW(bar, PBM_SETPOS, 10, 0);
  EXPECT_EQ(SendMessageW(bar, PBM_STEPIT, 0, 0), 10);
  EXPECT_EQ(SendMessageW(bar, PBM_STEPIT, 0, 0), 14);
  EXPECT_EQ(SendMessageW(bar, PBM_STEPIT, 0, 0), 18);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 12);  // past the end it starts over
  EXPECT_EQ(SendMessageW(bar, PBM_DELTAPOS, 5, 0), 12);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 17);
  EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE32, 0, 100000), MAKELRESULT(10, 20));
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100000);
  EXPECT_EQ(SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(1, 2, 3)), static_cast<LRESULT>(CLR_DEFAULT));
  EXPECT_EQ(SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(4, 5, 6)), static_cast<LRESULT>(RGB(1, 2, 3)));
}

TEST_F(ProgressTest, ASmoothBarFillsItsShareInTheGivenColours) {
  HWND bar = Child(PROGRESS_CLASSW, PBS_SMOOTH, 20, 55, 200, 21);
  SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(192, 192, 192));
  SendMessageW(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageW(bar, PBM_SETPOS, 37, 0);
  test::RunUntilIdle();
  // Inside a one-pixel frame and a one-pixel gap: 196 pixels, 37 % of them is 72.
  POINT first = OnScreen(bar, 2, 10), last = OnScreen(bar, 2 + 71, 10), after = OnScreen(bar, 2 + 72, 10);
  EXPECT_TRUE(test::PixelIs(first.x, first.y, RGB(192, 192, 192)));
  EXPECT_TRUE(test::PixelIs(last.x, last.y, RGB(192, 192, 192)));
  EXPECT_TRUE(test::PixelIs(after.x, after.y, RGB(255, 255, 255)));
  POINT gap = OnScreen(bar, 1, 10), frame = OnScreen(bar, 0, 10);
  EXPECT_TRUE(test::PixelIs(gap.x, gap.y, RGB(255, 255, 255)));
  EXPECT_NE(test::PixelAt(frame.x, frame.y), RGB(255, 255, 255));
  SendMessageW(bar, PBM_SETPOS, 100, 0);
  test::RunUntilIdle();
  POINT end = OnScreen(bar, 197, 10);
  EXPECT_TRUE(test::PixelIs(end.x, end.y, RGB(192, 192, 192)));
}

TEST_F(ProgressTest, WithoutSmoothTheBarIsMadeOfBlocks) {
  HWND bar = Child(PROGRESS_CLASSW, 0, 20, 45, 158, 21);
  SendMessageW(bar, PBM_SETPOS, 50, 0);
  test::RunUntilIdle();
  COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
  int filled = 0, gaps = 0;
  for (int x = 2; x < 2 + 77; ++x) {
    POINT p = OnScreen(bar, x, 10);
    (test::PixelAt(p.x, p.y) == fill ? filled : gaps)++;
  }
  EXPECT_GT(filled, 50);
  EXPECT_GT(gaps, 5);
  POINT beyond = OnScreen(bar, 2 + 80, 10);
  EXPECT_TRUE(test::PixelIs(beyond.x, beyond.y, RGB(255, 255, 255)));
}

}  // namespace
