// The message queue: sent against posted, retrieval order, subclassing, translation,
// timers on the virtual clock, the end of a headless run and modal loops answered by taps.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"

namespace {

using test::Expected;
using test::MessageRecorder;

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;
std::vector<UINT> g_seen;

LRESULT CALLBACK PingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPing) {
    g_seen.push_back(kPing);
    // Posted: handled after this message. Sent: handled right here.
    PostMessageW(hwnd, kPong, 1, 0);
    SendMessageW(hwnd, kPong, 2, 0);
    g_seen.push_back(kPing + 100);
    return 0;
  }
  if (message == kPong) {
    g_seen.push_back(static_cast<UINT>(kPong * 10 + wParam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen.clear();
    ASSERT_TRUE(test::RegisterTestClass(u"Ping", PingProc, GetSysColorBrush(COLOR_WINDOW)));
    window_ = CreateWindowExW(0, u"Ping", u"Ping", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    test::RunUntilIdle();
  }
  test::HeadlessScreen screen_;
  HWND window_ = nullptr;
};

TEST_F(MessagesTest, SentMessagesRunAtOncePostedOnesWaitTheirTurn) {
  PostMessageW(window_, kPong, 3, 0);
  PostMessageW(window_, kPing, 0, 0);
  PostMessageW(window_, kPong, 4, 0);
  test::RunUntilIdle();
  std::vector<UINT> expected = {kPong * 10 + 3, kPing, kPong * 10 + 2, kPing + 100, kPong * 10 + 4, kPong * 10 + 1};
  EXPECT_EQ(g_seen, expected);
}

TEST_F(MessagesTest, PaintComesOnlyWhenNothingIsPostedAndQuitAfterPostedMessages) {
  InvalidateRect(window_, nullptr, FALSE);
  PostMessageW(window_, kPong, 5, 0);
  PostQuitMessage(7);
  PostMessageW(window_, kPong, 6, 0);
  MSG m;
  std::vector<UINT> order;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    order.push_back(m.message);
    DispatchMessageW(&m);
  }
  std::vector<UINT> expected = {kPong, kPong};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  // The paint is still due: it was never reached.
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
}

TEST_F(MessagesTest, PeekCanLeaveAMessageAndFilterByRange) {
  PostMessageW(window_, kPong, 1, 0);
  PostMessageW(window_, kPing + 50, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, kPing + 50, kPing + 50, PM_NOREMOVE));
  EXPECT_EQ(m.message, kPing + 50);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, kPong);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, kPing + 50);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x12345678), kPong, 0, 0));
}

WNDPROC g_previous = nullptr;
LRESULT CALLBACK Filter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPong && wParam == 9) return 99;  // eaten by the filter
  if (message == kPong) wParam += 10;
  return CallWindowProcW(g_previous, hwnd, message, wParam, lParam);
}

TEST_F(MessagesTest, SubclassingThroughTheWindowProcedure) {
  g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Filter)));
  EXPECT_EQ(g_previous, PingProc);
  EXPECT_EQ(SendMessageW(window_, kPong, 9, 0), 99);
  SendMessageW(window_, kPong, 1, 0);
  std::vector<UINT> expected = {kPong * 10 + 11};
  EXPECT_EQ(g_seen, expected);
  // A recorder stacks on top and hands everything on.
  {
    MessageRecorder recorder(window_, {kPong});
    SendMessageW(window_, kPong, 2, 0);
    EXPECT_TRUE(recorder.Matches({{kPong, 2}}));
  }
  EXPECT_EQ(GetWindowLongPtrW(window_, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Filter));
}

TEST_F(MessagesTest, KeysBecomeCharactersOnlyWhereTheyShould) {
  SetFocus(window_);
  MessageRecorder recorder(window_, {WM_KEYDOWN, WM_KEYUP, WM_CHAR});
  test::Key(VK_RETURN);
  test::Key('A');  // letters type through text input, not through key translation
  test::CtrlKey('c');
  test::Type(u"中a");
  EXPECT_TRUE(recorder.Matches({{WM_KEYDOWN, VK_RETURN},
                                {WM_CHAR, u'\r'},
                                {WM_KEYUP, VK_RETURN},
                                {WM_KEYDOWN, 'A'},
                                {WM_KEYUP, 'A'},
                                {WM_KEYDOWN, VK_CONTROL},
                                {WM_KEYDOWN, 'C'},
                                {WM_CHAR, 3},
                                {WM_KEYUP, 'C'},
                                {WM_KEYUP, VK_CONTROL},
                                {WM_CHAR, u'中'},
                                {WM_CHAR, u'a'}}));
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
}

std::vector<DWORD> g_ticks;
void CALLBACK TimerProc(HWND, UINT message, UINT_PTR, DWORD time) {
  if (message == WM_TIMER) g_ticks.push_back(time);
}

TEST_F(MessagesTest, TimersFollowTheVirtualClock) {
  MessageRecorder recorder(window_, {WM_TIMER});
  DWORD start = test::Now();
  EXPECT_EQ(SetTimer(window_, 5, 100, nullptr), 5u);
  test::Advance(99);
  EXPECT_EQ(recorder.Count(WM_TIMER), 0u);
  test::Advance(251);
  EXPECT_EQ(recorder.Count(WM_TIMER), 3u);
  EXPECT_EQ(test::Now(), start + 350);
  // Setting the same id again restarts it with the new period.
  SetTimer(window_, 5, 1000, nullptr);
  test::Advance(999);
  EXPECT_EQ(recorder.Count(WM_TIMER), 3u);
  test::Advance(1);
  EXPECT_EQ(recorder.Count(WM_TIMER), 4u);
  EXPECT_TRUE(KillTimer(window_, 5));
  EXPECT_FALSE(KillTimer(window_, 5));
  test::Advance(5000);
  EXPECT_EQ(recorder.Count(WM_TIMER), 4u);

  g_ticks.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 250, TimerProc);
  ASSERT_NE(id, 0u);
  DWORD t0 = test::Now();
  test::Advance(1000);
  std::vector<DWORD> expected = {t0 + 250, t0 + 500, t0 + 750, t0 + 1000};
  EXPECT_EQ(g_ticks, expected);
  KillTimer(nullptr, id);
  // A window's timers end with it.
  SetTimer(window_, 1, 10, nullptr);
  DestroyWindow(window_);
  MSG m;
  test::Advance(100);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(MessagesTest, SleepAndTickCountUseTheVirtualClock) {
  DWORD t = GetTickCount();
  Sleep(5000);
  EXPECT_EQ(GetTickCount(), t + 5000);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 5000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(GetTickCount(), t + 10000);
  CloseHandle(event);
}

// A modal loop of the program's kind: sleep 10 ms, then dispatch everything waiting.
int g_clicks = 0;
LRESULT CALLBACK ClickProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONUP) ++g_clicks;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(MessagesTest, ModalLoopOfSleepsIsAnsweredByScriptedTaps) {
  ASSERT_TRUE(test::RegisterTestClass(u"Clicks", ClickProc));
  CreateWindowExW(0, u"Clicks", u"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, window_, nullptr, nullptr, nullptr);
  g_clicks = 0;
  test::ScheduleTap(300, 20, 60);   // screen point inside the child (its client starts at 10, 36)
  test::ScheduleTap(1200, 20, 60);
  DWORD start = GetTickCount();
  while (g_clicks < 2) {
    Sleep(10);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 1200u);
  EXPECT_LT(took, 1220u);
}

TEST_F(MessagesTest, GetMessageEndsTheHeadlessRunWhenNothingIsLeft) {
  test::ScheduleTap(100, 5, 50);
  SetTimer(window_, 1, 500, nullptr);
  MSG m;
  int timers = 0;
  DWORD start = GetTickCount();
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER) ++timers;
    DispatchMessageW(&m);
  }
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  // After the last input the run goes on for the settle time (3000 ms) with its timers.
  EXPECT_EQ(timers, 6);
  EXPECT_LE(GetTickCount() - start, 100u + 3000u);
}

TEST_F(MessagesTest, SettingChangeReachesEveryTopLevelWindow) {
  MessageRecorder recorder(window_, {WM_SETTINGCHANGE});
  platform::SendSettingChange(SPI_SETWORKAREA, nullptr);
  EXPECT_TRUE(recorder.Matches({{WM_SETTINGCHANGE, SPI_SETWORKAREA}}));
}

}  // namespace
