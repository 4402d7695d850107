// Stylus and keys through the real message path: hit testing, capture, focus, activation,
// disabled windows, window regions, the title bar and dragging a window on the desktop.
#include <gtest/gtest.h>

#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pixels.h"

namespace {

using test::Expected;
using test::MessageRecorder;

const std::set<UINT> kPointer = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE};

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::RegisterTestClass(u"Plain", DefWindowProcW, GetSysColorBrush(COLOR_WINDOW)));
    main_ = CreateWindowExW(0, u"Plain", u"Main", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                            nullptr, nullptr);
    // Client (0,0) of main is screen (0,26).
    a_ = Child(main_, 10, 10, 60, 40);
    b_ = Child(main_, 100, 10, 60, 40);
    test::RunUntilIdle();
  }
  HWND Child(HWND parent, int x, int y, int w, int h, DWORD style = WS_VISIBLE) {
    return CreateWindowExW(0, u"Plain", u"", WS_CHILD | WS_CLIPSIBLINGS | style, x, y, w, h, parent, nullptr,
                           nullptr, nullptr);
  }
  test::HeadlessScreen screen_;
  HWND main_ = nullptr, a_ = nullptr, b_ = nullptr;
};

TEST_F(InputTest, TapsReachTheWindowUnderTheStylusInClientCoordinates) {
  MessageRecorder ra(a_, kPointer), rb(b_, kPointer);
  test::Tap(15, 26 + 12);
  EXPECT_TRUE(ra.Matches({{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2)}, {WM_LBUTTONUP, 0, MAKELPARAM(5, 2)}}));
  EXPECT_TRUE(rb.log().empty());
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 38);
  EXPECT_EQ(WindowFromPoint(POINT{105, 40}), b_);
}

TEST_F(InputTest, CaptureKeepsTheStylusUntilReleased) {
  MessageRecorder ra(a_, {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_CAPTURECHANGED});
  MessageRecorder rb(b_, kPointer);
  test::StylusDown(15, 38);
  EXPECT_EQ(SetCapture(a_), nullptr);
  EXPECT_EQ(GetCapture(), a_);
  test::StylusMove(105, 40);    // over b, but a has the stylus
  test::StylusUp(105, 40);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(ra.Matches({{WM_LBUTTONDOWN},
                          {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(95, 4)},
                          {WM_LBUTTONUP, 0, MAKELPARAM(95, 4)},
                          {WM_CAPTURECHANGED, 0, 0}}));
  EXPECT_TRUE(rb.log().empty());
  // Without capture the next tap goes where it lands.
  test::Tap(105, 40);
  EXPECT_EQ(rb.Count(WM_LBUTTONDOWN), 1u);
}

TEST_F(InputTest, FocusMessagesNameTheOtherWindow) {
  SetFocus(a_);
  MessageRecorder ra(a_, {WM_SETFOCUS, WM_KILLFOCUS}), rb(b_, {WM_SETFOCUS, WM_KILLFOCUS});
  EXPECT_EQ(SetFocus(b_), a_);
  EXPECT_EQ(GetFocus(), b_);
  EXPECT_TRUE(ra.Matches({{WM_KILLFOCUS, reinterpret_cast<WPARAM>(b_)}}));
  EXPECT_TRUE(rb.Matches({{WM_SETFOCUS, reinterpret_cast<WPARAM>(a_)}}));
  EXPECT_EQ(SetFocus(nullptr), b_);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(rb.Count(WM_KILLFOCUS), 1u);
  // Keys with no focus go nowhere; with focus, to the focus window.
  MessageRecorder keys(a_, {WM_KEYDOWN});
  test::Key(VK_DOWN);
  EXPECT_TRUE(keys.log().empty());
  SetFocus(a_);
  test::Key(VK_DOWN);
  EXPECT_TRUE(keys.Matches({{WM_KEYDOWN, VK_DOWN}}));
}

TEST_F(InputTest, DisabledWindowsGetNoInput) {
  MessageRecorder ra(a_, {WM_LBUTTONDOWN, WM_ENABLE, WM_KEYDOWN, WM_KILLFOCUS});
  MessageRecorder rm(main_, {WM_LBUTTONDOWN});
  SetFocus(a_);
  EXPECT_FALSE(EnableWindow(a_, FALSE));  // it was enabled
  EXPECT_TRUE(EnableWindow(a_, FALSE));   // now it was disabled already
  EXPECT_FALSE(IsWindowEnabled(a_));
  EXPECT_EQ(GetFocus(), nullptr);  // a disabled window loses the focus
  test::Tap(15, 38);
  test::Key(VK_RETURN);
  EXPECT_TRUE(ra.Matches({{WM_KILLFOCUS}, {WM_ENABLE, FALSE}}));
  // The tap on the disabled child went to its parent.
  EXPECT_TRUE(rm.Matches({{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 12)}}));

  // A disabled top-level window takes nothing at all.
  EnableWindow(a_, TRUE);
  EnableWindow(main_, FALSE);
  MessageRecorder rb(b_, {WM_LBUTTONDOWN});
  test::Tap(105, 40);
  test::Tap(15, 38);
  EXPECT_TRUE(rb.log().empty());
  EXPECT_EQ(ra.Count(WM_LBUTTONDOWN), 0u);
  EnableWindow(main_, TRUE);
  test::Tap(105, 40);
  EXPECT_EQ(rb.Count(WM_LBUTTONDOWN), 1u);
}

TEST_F(InputTest, WindowRegionsShapeWhatATapHits) {
  // A ring: the frame's inside belongs to the window beneath.
  HWND frame = Child(main_, 0, 100, 100, 100);
  HRGN ring = CreateRectRgn(0, 0, 100, 100);
  HRGN hole = CreateRectRgn(10, 10, 90, 90);
  CombineRgn(ring, ring, hole, RGN_DIFF);
  DeleteObject(hole);
  ASSERT_TRUE(SetWindowRgn(frame, ring, TRUE));
  MessageRecorder rf(frame, {WM_LBUTTONDOWN}), rm(main_, {WM_LBUTTONDOWN});
  test::Tap(50, 26 + 150);  // inside the hole
  test::Tap(5, 26 + 150);   // on the ring
  EXPECT_TRUE(rm.Matches({{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 150)}}));
  EXPECT_TRUE(rf.Matches({{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 50)}}));
}

TEST_F(InputTest, ActivationFollowsTapsAndForegroundRequests) {
  HWND popup = CreateWindowExW(0, u"Plain", u"", WS_POPUP | WS_VISIBLE, 20, 200, 100, 60, main_, nullptr, nullptr,
                               nullptr);
  EXPECT_EQ(GetActiveWindow(), popup);
  MessageRecorder rm(main_, {WM_ACTIVATE}), rp(popup, {WM_ACTIVATE});
  test::Tap(200, 100);  // on the main window, outside the pop-up
  EXPECT_EQ(GetActiveWindow(), main_);
  EXPECT_TRUE(rp.Matches({{WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(main_)}}));
  EXPECT_TRUE(rm.Matches({{WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), reinterpret_cast<LPARAM>(popup)}}));
  // The owned pop-up stays in front of its owner.
  EXPECT_EQ(WindowFromPoint(POINT{30, 210}), popup);
  // Activation hands the focus to the activated window.
  EXPECT_EQ(GetFocus(), main_);

  // The handheld's convention: the handle with its lowest bit set brings the owned pop-up.
  auto withPopups = reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(main_) | 1);
  EXPECT_TRUE(SetForegroundWindow(withPopups));
  EXPECT_EQ(GetForegroundWindow(), popup);
  EXPECT_TRUE(SetForegroundWindow(main_));
  EXPECT_EQ(GetForegroundWindow(), main_);
  // When the active window goes, its owner takes over.
  SetForegroundWindow(popup);
  DestroyWindow(popup);
  EXPECT_EQ(GetActiveWindow(), main_);
}

TEST_F(InputTest, TitleBarShowsTheForegroundWindowsTitle) {
  auto titleBar = [] {
    platform::Surface s = platform::headless::Snapshot();
    platform::Surface bar(240, 26);
    for (int y = 0; y < 26; ++y)
      for (int x = 0; x < 240; ++x) bar.set_pixel(x, y, s.pixel(x, y));
    return bar;
  };
  EXPECT_TRUE(test::MatchesGolden("platform/title_bar_main.png", titleBar()));
  SetWindowTextW(main_, u"Duzavur Evuravuzad");
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("platform/title_bar_renamed.png", titleBar()));
  // A pop-up without a title shows its owner's; another window shows its own.
  CreateWindowExW(0, u"Plain", u"", WS_POPUP | WS_VISIBLE, 20, 200, 100, 60, main_, nullptr, nullptr, nullptr);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("platform/title_bar_renamed.png", titleBar()));
  CreateWindowExW(0, u"Plain", u"Main", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, nullptr,
                  nullptr);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("platform/title_bar_main.png", titleBar()));
}

TEST(DesktopInputTest, CaptionDragMovesAWindowOnTheDesktop) {
  test::HeadlessScreen screen(platform::ScreenKind::Desktop);
  ASSERT_TRUE(test::RegisterTestClass(u"Plain", DefWindowProcW, GetSysColorBrush(COLOR_WINDOW)));
  HWND w = CreateWindowExW(0, u"Plain", u"Installer", WS_POPUP | WS_VISIBLE, 100, 224, 440, 551, nullptr, nullptr,
                           nullptr, nullptr);
  test::RunUntilIdle();
  // As the installer does: a tap on its own caption strip becomes a non-client drag.
  test::StylusDown(150, 230);
  ReleaseCapture();
  platform::InputEvent move;
  move.kind = platform::InputEvent::Kind::StylusMove;
  move.point = POINT{190, 250};
  platform::headless::Queue(test::Now() + 10, move);
  platform::InputEvent up;
  up.kind = platform::InputEvent::Kind::StylusUp;
  up.point = POINT{190, 250};
  platform::headless::Queue(test::Now() + 20, up);
  SendMessageW(w, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(150, 230));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.top, 244);
  EXPECT_EQ(r.right - r.left, 440);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.right, 1280);
  EXPECT_EQ(work.bottom, 984);
}

}  // namespace
