// Non-client areas: borders and standard scroll bars, and waiting for messages with a timeout.
#include <gtest/gtest.h>

#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pixels.h"

namespace {

using test::Expected;
using test::MessageRecorder;

// Scrolls as a list does: lines of 1, pages of 10, up to 90 (100 lines, 10 shown).
LRESULT CALLBACK ListLikeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL) {
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd, SB_VERT, &si);
    int pos = si.nPos;
    switch (LOWORD(wParam)) {
      case SB_LINEUP: pos -= 1; break;
      case SB_LINEDOWN: pos += 1; break;
      case SB_PAGEUP: pos -= 10; break;
      case SB_PAGEDOWN: pos += 10; break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    }
    si.fMask = SIF_POS;
    si.nPos = pos;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class ScrollBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::RegisterTestClass(u"ListLike", ListLikeProc, GetSysColorBrush(COLOR_WINDOW)));
    main_ = CreateWindowExW(0, u"ListLike", u"Main", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                            nullptr, nullptr);
    // Screen: the list's window starts at (20, 26 + 20); its border is 1 pixel.
    list_ = CreateWindowExW(0, u"ListLike", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL, 20, 20, 150, 120,
                            main_, nullptr, nullptr, nullptr);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
    SetScrollInfo(list_, SB_VERT, &si, TRUE);
    test::RunUntilIdle();
  }
  test::HeadlessScreen screen_;
  HWND main_ = nullptr, list_ = nullptr;
};

TEST_F(ScrollBarTest, BordersAndBarsTakeTheirRoomFromTheClientArea) {
  RECT r;
  GetClientRect(list_, &r);
  EXPECT_EQ(r.right, 150 - 2 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(r.bottom, 118);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 13);
  POINT p{0, 0};
  ClientToScreen(list_, &p);
  EXPECT_EQ(p.x, 21);
  EXPECT_EQ(p.y, 47);
  EXPECT_TRUE(test::PixelIs(20, 46, RGB(0, 0, 0)));  // the border
  EXPECT_EQ(SendMessageW(list_, WM_NCHITTEST, 0, MAKELPARAM(20 + 150 - 5, 46 + 60)), HTVSCROLL);
  EXPECT_EQ(SendMessageW(list_, WM_NCHITTEST, 0, MAKELPARAM(20, 46 + 60)), HTBORDER);
  EXPECT_EQ(SendMessageW(list_, WM_NCHITTEST, 0, MAKELPARAM(40, 46 + 60)), HTCLIENT);
  // Taking the bar away gives its room back.
  ShowScrollBar(list_, SB_VERT, FALSE);
  GetClientRect(list_, &r);
  EXPECT_EQ(r.right, 148);
}

TEST_F(ScrollBarTest, PositionsStayInTheirRange) {
  EXPECT_EQ(SetScrollPos(list_, SB_VERT, 500, TRUE), 0);
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 90);  // max - page + 1
  SetScrollPos(list_, SB_VERT, -5, TRUE);
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 0);
  int lo = 1, hi = 1;
  EXPECT_TRUE(GetScrollRange(list_, SB_VERT, &lo, &hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 99);
  EXPECT_EQ(GetScrollPos(main_, SB_VERT), 0);
}

TEST_F(ScrollBarTest, TapsAndDragsOnTheBarScrollTheWindow) {
  MessageRecorder r(list_, {WM_VSCROLL});
  const int barX = 20 + 150 - 1 - 6;  // the middle of the bar
  const int top = 46 + 1, bottom = 46 + 120 - 1;
  test::Tap(barX, bottom - 3);  // the down arrow
  EXPECT_TRUE(r.Matches({{WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0)}, {WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0)}}));
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 1);
  r.Clear();
  test::Tap(barX, bottom - 30);  // the track below the thumb
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 11);
  // Holding an arrow repeats the line after a pause.
  test::ScheduleStylus(0, platform::InputEvent::Kind::StylusDown, barX, top + 3);
  test::ScheduleStylus(350 + 60 * 4, platform::InputEvent::Kind::StylusUp, barX, top + 3);
  test::Advance(350 + 60 * 4);
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 11 - 1 - 4);  // at once, then at 350, 410, 470, 530 ms
  // Dragging the thumb to the bottom tracks and then sets the last position.
  r.Clear();
  SetScrollPos(list_, SB_VERT, 0, TRUE);
  test::Drag(barX, top + 15, barX, bottom + 40, 4);
  ASSERT_GE(r.log().size(), 3u);
  EXPECT_EQ(LOWORD(r.log().front().wParam), SB_THUMBTRACK);
  EXPECT_EQ(r.log()[r.log().size() - 2].wParam, MAKEWPARAM(SB_THUMBPOSITION, 90));
  EXPECT_EQ(LOWORD(r.log().back().wParam), SB_ENDSCROLL);
  EXPECT_EQ(GetScrollPos(list_, SB_VERT), 90);
  EXPECT_TRUE(test::MatchesGolden("platform/scroll_bar_at_end.png"));
}

TEST_F(ScrollBarTest, WaitingForMessagesEndsWithInputOrTheTimeout) {
  DWORD t = GetTickCount();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 500, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(GetTickCount() - t, 500u);
  test::ScheduleTap(200, 5, 50);
  t = GetTickCount();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_INPUT), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(GetTickCount() - t, 200u);
  HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(MsgWaitForMultipleObjects(1, &h, FALSE, 10, QS_INPUT), static_cast<DWORD>(WAIT_FAILED));
  CloseHandle(h);
}

}  // namespace
