// The handheld's menu bar, made from the handheld program's own resources (its .rc file is
// compiled into a resource library by the fixture): placement, captions, opening the drop-downs, the
// commands they send, and SHCMBM_GETSUBMENU.
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using controls_test::During;
using controls_test::QueueDown;
using controls_test::QueueKey;
using controls_test::QueueTap;
using controls_test::QueueUp;
using test::MessageRecorder;

class MenuBarTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    std::u16string path = controls_test::DeviceResourceLibrary();
    if (path.empty()) GTEST_SKIP() << "the resource tools (binutils-mingw-w64) are not installed";
    resources_ = LoadLibraryW(path.c_str());
    ASSERT_NE(resources_, nullptr);
  }
  void TearDown() override {
    if (bar_ && IsWindow(bar_)) DestroyWindow(bar_);
    if (resources_) FreeLibrary(resources_);
    ControlsTest::TearDown();
  }
  HWND Create(HINSTANCE from, UINT id = 102) {
    SHMENUBARINFO info{};
    info.cbSize = sizeof info;
    info.hwndParent = parent_;
    info.nToolBarId = id;
    info.hInstRes = from;
    if (!SHCreateMenuBar(&info)) return nullptr;
    test::RunUntilIdle();
    return bar_ = info.hwndMB;
  }
  static std::u16string Caption(HWND bar, WORD id) {
    WCHAR text[64] = {};
    SendMessageW(bar, TB_GETBUTTONTEXTW, id, reinterpret_cast<LPARAM>(text));
    return text;
  }
  static POINT ButtonCentre(HWND bar, WORD id) {
    RECT r{};
    SendMessageW(bar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&r));
    return OnScreen(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static HWND OpenMenu() { return FindWindowW(u"#32768", nullptr); }
  // Screen point of row `row` of the open menu, given the rows' heights above it.
  static POINT Row(int row, int separatorsAbove = 0) {
    RECT m;
    GetWindowRect(OpenMenu(), &m);
    return POINT{m.left + 40, m.top + 1 + (row - separatorsAbove) * 20 + separatorsAbove * 7 + 10};
  }
  HMODULE resources_ = nullptr;
  HWND bar_ = nullptr;
};

TEST_F(MenuBarTest, TheBarCoversTheBottomStripWithTheResourcesButtons) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  RECT r;
  GetWindowRect(bar, &r);
  RECT strip = platform::MenuBarArea();
  EXPECT_TRUE(EqualRect(&r, &strip));
  EXPECT_EQ(r.top, 294);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_EQ(GetParent(bar), parent_);  // owned by the program's window
  EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 3);
  EXPECT_EQ(Caption(bar, 40001), u"Tasks");
  EXPECT_EQ(Caption(bar, 40002), u"Options");
  EXPECT_EQ(Caption(bar, 40004), u"About");
  // Auto-sized, left to right, without overlap.
  RECT a{}, b{}, c{};
  SendMessageW(bar, TB_GETRECT, 40001, reinterpret_cast<LPARAM>(&a));
  SendMessageW(bar, TB_GETRECT, 40002, reinterpret_cast<LPARAM>(&b));
  SendMessageW(bar, TB_GETRECT, 40004, reinterpret_cast<LPARAM>(&c));
  EXPECT_EQ(a.right, b.left);
  EXPECT_EQ(b.right, c.left);
  EXPECT_GT(b.right - b.left, a.right - a.left);  // "Options" is wider than "Tasks"
  // Each button's pop-up is the menu's pop-up with the button's index.
  EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40001))), 9);
  EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40002))), 12);
  EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40004))), 2);
  EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 12345), 0);
}

TEST_F(MenuBarTest, ChoosingAnItemSendsItsCommandToTheOwner) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  MessageRecorder owner(parent_, {WM_COMMAND});
  RECT menu{}, barRect{}, button{};
  GetWindowRect(bar, &barRect);
  SendMessageW(bar, TB_GETRECT, 40001, reinterpret_cast<LPARAM>(&button));
  During(50, [&] {
    GetWindowRect(OpenMenu(), &menu);
    QueueTap(10, Row(8, 2));  // "Exit", below the two separators
  });
  POINT tasks = ButtonCentre(bar, 40001);
  test::Tap(tasks.x, tasks.y);
  // The drop-down opened just above the bar, at its button.
  EXPECT_EQ(menu.bottom, barRect.top);
  EXPECT_EQ(menu.left, barRect.left + button.left);
  EXPECT_TRUE(owner.Matches({{WM_COMMAND, MAKEWPARAM(50006, 0), 0}}));
  EXPECT_EQ(OpenMenu(), nullptr);
}

TEST_F(MenuBarTest, PressDragAndReleaseChoosesToo) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  MessageRecorder owner(parent_, {WM_COMMAND});
  POINT about = ButtonCentre(bar, 40004);
  During(50, [&] {
    POINT help = Row(1);
    platform::InputEvent move;
    move.kind = platform::InputEvent::Kind::StylusMove;
    move.point = help;
    platform::headless::Queue(test::Now() + 10, move);
    QueueUp(20, help);
  });
  test::StylusDown(about.x, about.y);
  EXPECT_TRUE(owner.Matches({{WM_COMMAND, MAKEWPARAM(41003, 0), 0}}));
}

TEST_F(MenuBarTest, GreyingAndCheckingThroughGetSubMenuShowAtTheNextOpening) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  auto options = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40002));
  auto tasks = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40001));
  EXPECT_EQ(CheckMenuItem(options, 40009, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(EnableMenuItem(tasks, 40013, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(tasks, 40014, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(tasks, 40015, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);

  // Options: the check mark left of "Search Simplified (GB) Dictionary" (row 6, after a separator).
  int checkPixels = 0;
  During(50, [&] {
    RECT m;
    GetWindowRect(OpenMenu(), &m);
    POINT row = Row(6, 1);
    for (int y = row.y - 8; y < row.y + 8; ++y)
      for (int x = m.left + 1; x < m.left + 20; ++x) checkPixels += test::PixelAt(x, y) == RGB(0, 0, 0);
    QueueKey(10, VK_ESCAPE);
  });
  POINT p = ButtonCentre(bar, 40002);
  test::Tap(p.x, p.y);
  EXPECT_GT(checkPixels, 6);

  // Tasks: the greyed Copy commands cannot be chosen; Exit still can.
  MessageRecorder owner(parent_, {WM_COMMAND});
  During(50, [&] {
    QueueTap(10, Row(0));
    QueueTap(20, Row(1));
    QueueTap(25, Row(2));
    QueueTap(30, Row(8, 2));
  });
  p = ButtonCentre(bar, 40001);
  test::Tap(p.x, p.y);
  EXPECT_TRUE(owner.Matches({{WM_COMMAND, MAKEWPARAM(50006, 0), 0}}));
}

TEST_F(MenuBarTest, ATapElsewhereClosesAndATapOnAnotherButtonSwitches) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  MessageRecorder owner(parent_, {WM_COMMAND, WM_LBUTTONDOWN});
  int opened = 0;
  HMENU first = nullptr, second = nullptr;
  POINT options = ButtonCentre(bar, 40002), about = ButtonCentre(bar, 40004);
  OnParent([&](HWND, UINT m, WPARAM w, LPARAM, LRESULT*) {
    if (m == WM_INITMENUPOPUP) (opened++ ? second : first) = reinterpret_cast<HMENU>(w);
    return false;
  });
  During(50, [&] {
    QueueTap(10, about);  // switches to About's pop-up
    During(50, [] { QueueTap(10, POINT{120, 100}); });  // then a tap on the window closes it
  });
  test::Tap(options.x, options.y);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(first, reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40002)));
  EXPECT_EQ(second, reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40004)));
  EXPECT_EQ(OpenMenu(), nullptr);
  EXPECT_TRUE(owner.log().empty()) << owner.Describe();
  // Tapping the open button again closes its menu.
  During(50, [&] { QueueTap(10, options); });
  test::Tap(options.x, options.y);
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(OpenMenu(), nullptr);
}

TEST_F(MenuBarTest, DestroyingTheBarFreesItsMenus) {
  HWND bar = Create(resources_);
  ASSERT_NE(bar, nullptr);
  auto tasks = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40001));
  EXPECT_TRUE(DestroyWindow(bar));
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(GetMenuItemCount(tasks), -1);
}

TEST_F(MenuBarTest, MissingCaptionStringsFallBackToThePopUpTextsAndBadIdsFail) {
  // The test program's own bar resource names string ids it does not have.
  HWND bar = Create(nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 2);
  EXPECT_EQ(Caption(bar, 40001), u"Tasks");
  EXPECT_EQ(Caption(bar, 40002), u"Options");
  DestroyWindow(bar);
  bar_ = nullptr;
  EXPECT_EQ(Create(resources_, 999), nullptr);
  SHMENUBARINFO small{};
  small.cbSize = 8;
  small.hwndParent = parent_;
  EXPECT_FALSE(SHCreateMenuBar(&small));
}

}  // namespace
