// The paint cycle and what each window may paint: invalidation with and without erase,
// update regions, clip siblings and children, window regions, uncovered areas.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pixels.h"

namespace {

using test::MessageRecorder;
using test::PixelIs;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

std::map<HWND, int> g_paints;

// Paints its whole client area in the colour kept in its user data.
LRESULT CALLBACK ColourProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    ++g_paints[hwnd];
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class PaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_paints.clear();
    ASSERT_TRUE(test::RegisterTestClass(u"Colour", ColourProc, GetSysColorBrush(COLOR_WINDOW)));
    main_ = Make(nullptr, WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, kWhite);
  }
  // Client (0,0) of the main window is screen (0,26).
  HWND Make(HWND parent, DWORD style, int x, int y, int w, int h, COLORREF colour) {
    HWND hwnd = CreateWindowExW(0, u"Colour", u"Paint", style | (parent ? WS_CHILD : 0), x, y, w, h, parent, nullptr,
                                nullptr, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
    InvalidateRect(hwnd, nullptr, TRUE);
    test::RunUntilIdle();
    return hwnd;
  }
  void SetColour(HWND hwnd, COLORREF colour) { SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(colour)); }
  test::HeadlessScreen screen_;
  HWND main_ = nullptr;
};

TEST_F(PaintingTest, EraseComesOnlyWhenAskedFor) {
  HWND w = Make(main_, WS_VISIBLE, 10, 10, 50, 50, kRed);
  MessageRecorder r(w, {WM_PAINT, WM_ERASEBKGND});
  InvalidateRect(w, nullptr, FALSE);
  test::RunUntilIdle();
  EXPECT_TRUE(r.Matches({{WM_PAINT}}));
  r.Clear();
  InvalidateRect(w, nullptr, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(r.Matches({{WM_PAINT}, {WM_ERASEBKGND}}));  // sent from inside BeginPaint
  // Two invalidations before the paint make one paint.
  r.Clear();
  RECT a{0, 0, 5, 5}, b{20, 20, 30, 30};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  RECT u;
  EXPECT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.left, 0);
  EXPECT_EQ(u.bottom, 30);
  test::RunUntilIdle();
  EXPECT_TRUE(r.Matches({{WM_PAINT}}));
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
}

TEST_F(PaintingTest, PaintingIsClippedToTheUpdateRegion) {
  HWND w = Make(main_, WS_VISIBLE, 10, 10, 50, 50, kRed);
  SetColour(w, kBlue);
  RECT part{0, 0, 10, 10};
  InvalidateRect(w, &part, FALSE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(10 + 5, 36 + 5, kBlue));
  EXPECT_TRUE(PixelIs(10 + 10, 36 + 5, kRed));  // outside the update region
  // Validated areas are not painted; UpdateWindow paints at once.
  InvalidateRect(w, nullptr, FALSE);
  ValidateRect(w, &part);
  SetColour(w, kGreen);
  UpdateWindow(w);
  EXPECT_TRUE(PixelIs(10 + 5, 36 + 5, kBlue));
  EXPECT_TRUE(PixelIs(10 + 30, 36 + 30, kGreen));
}

TEST_F(PaintingTest, ClipSiblingsKeepsALowerSiblingBehind) {
  HWND lower = Make(main_, WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 60, 60, kRed);
  HWND upper = Make(main_, WS_VISIBLE | WS_CLIPSIBLINGS, 40, 40, 60, 60, kGreen);
  (void)upper;
  InvalidateRect(lower, nullptr, FALSE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(50, 36 + 50, kGreen));  // the overlap stays the upper one's
  EXPECT_TRUE(PixelIs(20, 36 + 20, kRed));
  // Without WS_CLIPSIBLINGS the lower one paints over its sibling.
  HWND rude = Make(main_, WS_VISIBLE, 120, 10, 60, 60, kRed);
  Make(main_, WS_VISIBLE | WS_CLIPSIBLINGS, 150, 40, 60, 60, kGreen);
  SetWindowPos(rude, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  InvalidateRect(rude, nullptr, FALSE);
  UpdateWindow(rude);
  EXPECT_TRUE(PixelIs(160, 36 + 50, kRed));
}

TEST_F(PaintingTest, ClipChildrenAndRepaintingChildrenOfAParentThatDoesNotClip) {
  HWND clipping = Make(main_, WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100, kRed);
  HWND inner = Make(clipping, WS_VISIBLE, 20, 20, 30, 30, kGreen);
  g_paints.clear();
  InvalidateRect(clipping, nullptr, FALSE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(30, 26 + 30, kGreen));
  EXPECT_EQ(g_paints[inner], 0);  // the parent never touched it

  HWND plain = Make(main_, WS_VISIBLE, 120, 0, 100, 100, kRed);
  HWND child = Make(plain, WS_VISIBLE, 20, 20, 30, 30, kGreen);
  g_paints.clear();
  InvalidateRect(plain, nullptr, FALSE);
  test::RunUntilIdle();
  // The parent painted over its child, so the child painted again, after it.
  EXPECT_EQ(g_paints[plain], 1);
  EXPECT_EQ(g_paints[child], 1);
  EXPECT_TRUE(PixelIs(150, 26 + 30, kGreen));
  EXPECT_TRUE(PixelIs(125, 26 + 5, kRed));
}

TEST_F(PaintingTest, WindowRegionLimitsPaintingAndUncoversWhatItCuts) {
  HWND ring = Make(main_, WS_VISIBLE, 10, 10, 100, 100, kBlue);
  HRGN r = CreateRectRgn(0, 0, 100, 100);
  HRGN hole = CreateRectRgn(10, 10, 90, 90);
  CombineRgn(r, r, hole, RGN_DIFF);
  DeleteObject(hole);
  SetWindowRgn(ring, r, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(10 + 5, 36 + 50, kBlue));
  EXPECT_TRUE(PixelIs(10 + 50, 36 + 50, kWhite));  // the parent shows through the hole
  InvalidateRect(ring, nullptr, FALSE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(10 + 50, 36 + 50, kWhite));
}

TEST_F(PaintingTest, MovingHidingAndDestroyingRepaintWhatWasCovered) {
  HWND w = Make(main_, WS_VISIBLE, 10, 10, 40, 40, kRed);
  MoveWindow(w, 100, 10, 40, 40, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(20, 36 + 20, kWhite));
  EXPECT_TRUE(PixelIs(110, 36 + 20, kRed));
  ShowWindow(w, SW_HIDE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(110, 36 + 20, kWhite));
  ShowWindow(w, SW_SHOW);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(110, 36 + 20, kRed));
  // A top-level pop-up over the main window: destroying it repaints the main window there.
  HWND popup = Make(nullptr, WS_POPUP | WS_VISIBLE, 50, 150, 100, 50, kYellow);
  EXPECT_TRUE(PixelIs(60, 160, kYellow));
  DestroyWindow(popup);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(60, 160, kWhite));
  EXPECT_TRUE(test::MatchesGolden("platform/after_moves.png"));
}

LRESULT CALLBACK LazyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    ++g_paints[hwnd];
    return 0;  // never validates
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(PaintingTest, AProcedureThatNeverValidatesIsNotPaintedForEver) {
  ASSERT_TRUE(test::RegisterTestClass(u"Lazy", LazyProc));
  HWND w = CreateWindowExW(0, u"Lazy", u"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, main_, nullptr, nullptr, nullptr);
  test::RunUntilIdle();
  EXPECT_EQ(g_paints[w], 1);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(PaintingTest, RedrawOffHoldsPaintingBack) {
  HWND w = Make(main_, WS_VISIBLE, 10, 10, 40, 40, kRed);
  SendMessageW(w, WM_SETREDRAW, FALSE, 0);
  SetColour(w, kBlue);
  InvalidateRect(w, nullptr, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(20, 36 + 20, kRed));
  SendMessageW(w, WM_SETREDRAW, TRUE, 0);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(20, 36 + 20, kBlue));
}

TEST_F(PaintingTest, RedrawOffLeavesTheAreaToTheParent) {
  HWND frame = Make(main_, WS_VISIBLE, 10, 10, 100, 100, kGreen);
  HWND list = Make(frame, WS_VISIBLE, 10, 10, 60, 60, kRed);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  EXPECT_FALSE(IsWindowVisible(list));
  POINT inside{10 + 10 + 30, 26 + 10 + 10 + 30};
  EXPECT_EQ(WindowFromPoint(inside), frame);
  // A pop-up over the area goes away: the parent paints what it uncovers, not the
  // window that holds its painting back, so nothing of the pop-up stays on the screen.
  HWND popup = Make(nullptr, WS_POPUP | WS_VISIBLE, 30, 60, 40, 40, kYellow);
  EXPECT_TRUE(PixelIs(inside.x, inside.y, kYellow));
  DestroyWindow(popup);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(inside.x, inside.y, kGreen));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(WindowFromPoint(inside), list);
  InvalidateRect(list, nullptr, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(PixelIs(inside.x, inside.y, kRed));
  // Redraw on for a window hidden for other reasons does not show it.
  ShowWindow(list, SW_HIDE);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  EXPECT_FALSE(IsWindowVisible(list));
}

TEST_F(PaintingTest, DCsClipToTheWindowAndTheScreenDCReachesEverything) {
  HWND w = Make(main_, WS_VISIBLE, 10, 10, 40, 40, kRed);
  HDC dc = GetDC(w);
  RECT big{-20, -20, 200, 200};
  HBRUSH b = CreateSolidBrush(kBlue);
  FillRect(dc, &big, b);
  ReleaseDC(w, dc);
  EXPECT_TRUE(PixelIs(10, 36, kBlue));
  EXPECT_TRUE(PixelIs(9, 36, kWhite));
  EXPECT_TRUE(PixelIs(50, 36, kWhite));
  HDC screen = GetDC(nullptr);
  RECT corner{0, 0, 2, 2};
  FillRect(screen, &corner, b);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(PixelIs(0, 0, kBlue));
  DeleteObject(b);
  EXPECT_EQ(ReleaseDC(w, reinterpret_cast<HDC>(0x1234)), 0);
}

}  // namespace
