// Tap-and-hold on the virtual clock, the "Paste" context menu of a subclassed edit as the
// search box uses it, and the shell's activation handlers.
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using controls_test::QueueDown;
using controls_test::QueueUp;
using test::MessageRecorder;

class GestureTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    OnParent([this](HWND hwnd, UINT m, WPARAM, LPARAM l, LRESULT*) {
      if (m != WM_LBUTTONDOWN) return false;
      SHRGINFO info{};
      info.cbSize = sizeof info;
      info.hwndClient = hwnd;
      info.ptDown = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      info.dwFlags = flags_;
      DWORD start = GetTickCount();
      result_ = SHRecognizeGesture(&info);
      took_ = GetTickCount() - start;
      return true;
    });
  }
  DWORD flags_ = SHRG_RETURNCMD | SHRG_NOANIMATION;
  DWORD result_ = 12345;
  DWORD took_ = 0;
};

TEST_F(GestureTest, HoldingStillGivesTheContextMenuGestureAfterTheHoldTime) {
  QueueDown(0, POINT{100, 100});
  QueueUp(1500, POINT{100, 100});
  test::RunUntilIdle();
  EXPECT_EQ(result_, static_cast<DWORD>(GN_CONTEXTMENU));
  EXPECT_GE(took_, 500u);
  EXPECT_LE(took_, 1000u);
  test::Advance(2000);
}

TEST_F(GestureTest, AQuickTapOrAMoveEndsItAndTheInputStaysForTheWindow) {
  MessageRecorder parent(parent_, {WM_LBUTTONUP, WM_MOUSEMOVE});
  QueueDown(0, POINT{100, 100});
  QueueUp(100, POINT{100, 100});
  test::RunUntilIdle();
  EXPECT_EQ(result_, 0u);
  EXPECT_EQ(took_, 100u);
  test::RunUntilIdle();
  EXPECT_EQ(parent.Count(WM_LBUTTONUP), 1u);

  // A few pixels of wobble still hold; more is a drag.
  platform::InputEvent move;
  move.kind = platform::InputEvent::Kind::StylusMove;
  QueueDown(0, POINT{100, 100});
  move.point = POINT{102, 98};
  platform::headless::Queue(test::Now() + 200, move);
  QueueUp(1200, POINT{102, 98});
  test::RunUntilIdle();
  EXPECT_EQ(result_, static_cast<DWORD>(GN_CONTEXTMENU));
  test::Advance(1500);

  parent.Clear();
  QueueDown(0, POINT{100, 100});
  move.point = POINT{120, 100};
  platform::headless::Queue(test::Now() + 200, move);
  QueueUp(1200, POINT{120, 100});
  test::RunUntilIdle();
  EXPECT_EQ(result_, 0u);
  test::Advance(1500);
  EXPECT_EQ(parent.Count(WM_MOUSEMOVE), 1u);
}

TEST_F(GestureTest, WithoutReturnCmdTheWindowAlsoHearsOfIt) {
  flags_ = SHRG_NOANIMATION;
  MessageRecorder parent(parent_, {WM_CONTEXTMENU});
  QueueDown(0, POINT{50, 60});
  QueueUp(2000, POINT{50, 60});
  test::Advance(2500);
  EXPECT_EQ(result_, static_cast<DWORD>(GN_CONTEXTMENU));
  EXPECT_TRUE(parent.Matches({{WM_CONTEXTMENU, reinterpret_cast<WPARAM>(parent_), MAKELPARAM(50, 60)}}));
  SHRGINFO bad{};
  bad.cbSize = 4;
  bad.hwndClient = parent_;
  EXPECT_EQ(SHRecognizeGesture(&bad), 0u);
}

// The search box's edit filter: a hold opens a "Paste" menu; dismissing it selects the
// whole text, which the edit's own handling of the press must not undo.
WNDPROC g_editProc = nullptr;
UINT g_pasteState = 0;

LRESULT CALLBACK PasteFilter(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    SHRGINFO info{sizeof(SHRGINFO), hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)},
                  SHRG_RETURNCMD | SHRG_NOANIMATION};
    if (SHRecognizeGesture(&info) == GN_CONTEXTMENU) {
      HMENU menu = CreatePopupMenu();
      bool text = IsClipboardFormatAvailable(CF_UNICODETEXT);
      InsertMenuW(menu, static_cast<UINT>(-1), MF_BYPOSITION | (text ? MF_STRING : MF_GRAYED), text ? 1 : 0, u"Paste");
      g_pasteState = GetMenuState(menu, 0, MF_BYPOSITION);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, p.x, p.y, 0, hwnd, nullptr));
      DestroyMenu(menu);
      if (chosen == 1) SendMessageW(hwnd, WM_PASTE, 0, 0);
      else SendMessageW(hwnd, EM_SETSEL, 0, -1);
    }
  }
  return CallWindowProcW(g_editProc, hwnd, message, wParam, lParam);
}

TEST_F(GestureTest, HoldInASubclassedEditOpensPasteAndDismissingSelectsAll) {
  OnParent(nullptr);
  HWND edit = Child(u"edit", WS_BORDER | ES_AUTOHSCROLL, 12, 142, 125, 17);
  g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PasteFilter)));
  SetWindowTextW(edit, u"hello");
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  POINT p = OnScreen(edit, 10, 8);
  QueueDown(0, p);
  QueueUp(900, p);                                      // lifted over the menu's corner: no choice
  controls_test::QueueTap(1500, POINT{p.x + 100, 40});  // a tap elsewhere dismisses it
  test::Advance(2000);
  EXPECT_EQ(g_pasteState, static_cast<UINT>(MF_GRAYED));
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 5u);
  EXPECT_EQ(GetCapture(), nullptr);

  // With text on the clipboard, choosing Paste replaces the selection.
  controls_test::SetClipboardText(u"world");
  QueueDown(0, p);
  QueueUp(800, p);
  controls_test::QueueTap(1200, POINT{p.x + 20, p.y + 1 + 10});
  test::Advance(2000);
  EXPECT_EQ(g_pasteState, static_cast<UINT>(MF_ENABLED));
  EXPECT_EQ(Text(edit), u"world");
}

TEST(ShellActivation, TheRecordFollowsActivationAndBadRecordsFail) {
  test::HeadlessScreen screen;
  ASSERT_TRUE(test::RegisterTestClass(u"ActivationMain", DefWindowProcW));
  HWND main = CreateWindowExW(0, u"ActivationMain", u"Main", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr,
                              nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"ActivationMain", u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, main, nullptr, nullptr,
                               nullptr);
  SetFocus(child);
  SHACTIVATEINFO record{};
  record.cbSize = 12;
  EXPECT_TRUE(SHHandleWMActivate(main, WA_ACTIVE, 0, &record, 0));
  EXPECT_EQ(record.fActive, 1u);
  EXPECT_TRUE(SHHandleWMActivate(main, WA_INACTIVE, 0, &record, 0));
  EXPECT_EQ(record.fActive, 0u);
  EXPECT_EQ(record.hwndLastFocus, child);
  EXPECT_EQ(record.fSipUp, 0u);
  EXPECT_TRUE(SHHandleWMSettingChange(main, 0, 0, &record));
  EXPECT_FALSE(SHHandleWMActivate(main, WA_ACTIVE, 0, nullptr, 0));
  record.cbSize = 4;
  EXPECT_FALSE(SHHandleWMSettingChange(main, 0, 0, &record));
}

}  // namespace
