// The caption bar through a host window that paints it and forwards its stylus messages,
// as the message box and the progress window do.
#include <gtest/gtest.h>

#include <string>

#include "tests/widgets/widget_fixture.h"
#include "widgets/caption_bar.h"

namespace {

using widget_test::OnScreen;
using widget_test::ScreenHasColour;
using widget_test::ScreenShows;

int g_lastButtonUp = -1;

LRESULT CALLBACK CaptionHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CaptionBar* bar = reinterpret_cast<CaptionBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT r;
      GetClientRect(window, &r);
      FillHatched(dc, 0, 0, r.right, r.bottom, 1);
      if (bar) bar->Draw(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (bar) bar->MouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (bar) bar->ButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      if (bar) g_lastButtonUp = bar->ButtonUp(lParam);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class CaptionBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    library_ = widget_test::LoadBuiltLibrary("tovu.dll");
    ASSERT_NE(library_, nullptr) << "the skin library is built by skin_library_device";
    InitCaptionBar(library_);
    close_ = widget_test::LibraryBitmap(library_, 820);
    icons_ = widget_test::LibraryBitmap(library_, 850);
    ASSERT_TRUE(test::RegisterTestClass(u"CaptionHost", CaptionHostProc));
    g_lastButtonUp = -1;
  }
  void TearDown() override {
    for (auto& [window, bar] : bars_) {
      DestroyWindow(window);
      delete bar;
    }
    InitCaptionBar(nullptr);
    FreeLibrary(library_);
  }
  // A 200-pixel-wide host at (x, y) with its bar.
  HWND Host(int x, int y, int height = 60, const WCHAR* title = u"Duzavur Evuravuzad") {
    HWND w = CreateWindowExW(0, u"CaptionHost", u"Caption", WS_POPUP | WS_VISIBLE, x, y, 200, height, nullptr,
                             nullptr, nullptr, nullptr);
    CaptionBar* bar = new CaptionBar(w, 200, 20, title);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    InvalidateRect(w, nullptr, TRUE);
    bars_.push_back({w, bar});
    test::RunUntilIdle();
    return w;
  }
  CaptionBar* BarOf(HWND w) { return reinterpret_cast<CaptionBar*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }

  test::HeadlessScreen screen_;
  HMODULE library_ = nullptr;
  platform::Surface close_, icons_;
  std::vector<std::pair<HWND, CaptionBar*>> bars_;
};

TEST_F(CaptionBarTest, CloseBoxSitsAtTheRightAndShowsItsStateImage) {
  HWND w = Host(20, 60);
  CaptionBar* bar = BarOf(w);
  RECT expected{175, 4, 194, 18};
  EXPECT_TRUE(EqualRect(&bar->closeBox, &expected));
  POINT origin = OnScreen(w, 0, 0);
  EXPECT_TRUE(ScreenShows(origin.x + 175, origin.y + 4, close_, 0, 0, 19, 14));
  // Right and bottom edges lie outside the box.
  test::StylusDown(origin.x + 194, origin.y + 10);
  EXPECT_EQ(bar->closeState, 0);
  test::StylusUp(origin.x + 194, origin.y + 10);
  test::StylusMove(origin.x + 193, origin.y + 17);
  EXPECT_EQ(bar->closeState, 1);
  EXPECT_TRUE(ScreenShows(origin.x + 175, origin.y + 4, close_, 19, 0, 19, 14));
  test::StylusDown(origin.x + 180, origin.y + 10);
  EXPECT_EQ(bar->closeState, 2);
  EXPECT_TRUE(ScreenShows(origin.x + 175, origin.y + 4, close_, 38, 0, 19, 14));
}

TEST_F(CaptionBarTest, PressOnCloseBoxSlideOffLiftElsewhereDoesNotClose) {
  HWND w = Host(20, 60);
  CaptionBar* bar = BarOf(w);
  POINT origin = OnScreen(w, 0, 0);
  test::StylusDown(origin.x + 185, origin.y + 10);
  test::StylusMove(origin.x + 120, origin.y + 40);
  test::StylusUp(origin.x + 100, origin.y + 40);
  EXPECT_EQ(g_lastButtonUp, 0);
  EXPECT_EQ(bar->closeState, 0);
  EXPECT_TRUE(ScreenShows(origin.x + 175, origin.y + 4, close_, 0, 0, 19, 14));
  // Lifted elsewhere without sliding: ButtonUp alone puts the box back to normal.
  test::StylusDown(origin.x + 185, origin.y + 10);
  test::StylusUp(origin.x + 100, origin.y + 40);
  EXPECT_EQ(g_lastButtonUp, 0);
  EXPECT_EQ(bar->closeState, 0);
}

TEST_F(CaptionBarTest, PressElsewhereLiftOnCloseBoxCloses) {
  HWND w = Host(20, 60);
  POINT origin = OnScreen(w, 0, 0);
  test::StylusDown(origin.x + 60, origin.y + 40);
  test::StylusUp(origin.x + 176, origin.y + 5);
  EXPECT_EQ(g_lastButtonUp, 1);
  // A press on the caption row (not the box) lights the title pressed, then lifting on the
  // box closes too.
  test::StylusDown(origin.x + 60, origin.y + 10);
  EXPECT_EQ(BarOf(w)->titleState, 2);
  test::StylusUp(origin.x + 190, origin.y + 15);
  EXPECT_EQ(g_lastButtonUp, 1);
}

TEST_F(CaptionBarTest, CaptionRowLightsTheTitleAndIcon) {
  HWND w = Host(20, 60);
  POINT o = OnScreen(w, 0, 0);
  RECT title{o.x + 22, o.y + 2, o.x + 150, o.y + 18};
  EXPECT_TRUE(ScreenHasColour(title, RGB(128, 128, 128)));
  EXPECT_TRUE(ScreenShows(o.x + 5, o.y + 5, icons_, 0, 0, 12, 12));
  test::StylusMove(o.x + 80, o.y + 10);
  EXPECT_EQ(BarOf(w)->titleState, 1);
  EXPECT_TRUE(ScreenHasColour(title, RGB(0, 0, 192)));
  EXPECT_FALSE(ScreenHasColour(title, RGB(128, 128, 128)));
  EXPECT_TRUE(ScreenShows(o.x + 5, o.y + 5, icons_, 12, 0, 12, 12));
  test::StylusMove(o.x + 80, o.y + 20);  // row 20 is below the caption
  EXPECT_EQ(BarOf(w)->titleState, 0);
  EXPECT_TRUE(ScreenHasColour(title, RGB(128, 128, 128)));
  EXPECT_FALSE(ScreenHasColour(title, RGB(0, 0, 192)));
  EXPECT_TRUE(ScreenShows(o.x + 5, o.y + 5, icons_, 0, 0, 12, 12));
}

TEST_F(CaptionBarTest, LongTitlesAreCutAt255Units) {
  std::u16string longTitle(300, u'x');
  CaptionBar bar(nullptr, 200, 20, longTitle.c_str());
  EXPECT_EQ(lstrlenW(bar.title), 255);
  CaptionBar none(nullptr, 200, 20, nullptr);
  EXPECT_EQ(lstrlenW(none.title), 0);
}

TEST_F(CaptionBarTest, WithoutSkinTheBarIsPlain) {
  InitCaptionBar(nullptr);
  HWND w = Host(20, 60);
  POINT o = OnScreen(w, 0, 0);
  EXPECT_TRUE(test::PixelIs(o.x + 160, o.y + 10, RGB(255, 255, 255)));
  EXPECT_TRUE(test::PixelIs(o.x + 160, o.y + 19, RGB(192, 192, 192)));
  EXPECT_TRUE(test::PixelIs(o.x + 175, o.y + 10, RGB(128, 128, 128)));  // the plain close box's frame
  test::StylusMove(o.x + 180, o.y + 10);
  EXPECT_TRUE(test::PixelIs(o.x + 175, o.y + 10, RGB(0, 0, 192)));
}

// Normal; title and close box lit; close box pressed.
TEST_F(CaptionBarTest, StatesMatchTheGolden) {
  HWND a = Host(20, 40, 24), b = Host(20, 80, 24, u"Duzavur Evuravuzad Search"), c = Host(20, 120, 24, u"Title");
  POINT pb = OnScreen(b, 185, 10), pc = OnScreen(c, 185, 10);
  test::StylusMove(pb.x, pb.y);
  test::StylusDown(pc.x, pc.y);
  (void)a;
  EXPECT_TRUE(test::MatchesGolden("widgets/caption_bar.png"));
}

}  // namespace
