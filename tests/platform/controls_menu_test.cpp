// Menus: building and changing them, loading them from a menu resource, and tracking a
// pop-up menu on the screen with the stylus and keys.
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using controls_test::During;
using controls_test::QueueKey;
using controls_test::QueueTap;
using test::MessageRecorder;

constexpr UINT kNotFound = static_cast<UINT>(-1);

TEST(Menus, ItemsAreAddedChangedAndQueriedByPositionAndByCommand) {
  HMENU sub = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(sub, MF_STRING, 31, u"Inner"));
  HMENU menu = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 11, u"First"));
  ASSERT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
  ASSERT_TRUE(AppendMenuW(menu, MF_STRING | MF_GRAYED, 13, u"Grey"));
  ASSERT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"More"));
  ASSERT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING | MF_CHECKED, 10, u"Zero"));
  // By command the search goes into pop-ups: this lands before "Inner".
  ASSERT_TRUE(InsertMenuW(menu, 31, MF_BYCOMMAND | MF_STRING, 30, u"Before inner"));
  EXPECT_FALSE(InsertMenuW(menu, 99, MF_BYCOMMAND | MF_STRING, 1, u"nowhere"));
  EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, 12345, u"not a menu"));

  EXPECT_EQ(GetMenuItemCount(menu), 5);
  EXPECT_EQ(GetMenuItemCount(sub), 2);
  EXPECT_EQ(GetSubMenu(menu, 4), sub);
  EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(menu, 13, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(GetMenuState(menu, 4, MF_BYPOSITION), static_cast<UINT>((2 << 8) | MF_POPUP));
  EXPECT_EQ(GetMenuState(menu, 77, MF_BYCOMMAND), kNotFound);

  // Both report the state before the change, -1 for an item that is not there.
  EXPECT_EQ(EnableMenuItem(menu, 13, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(menu, 13, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(menu, 77, MF_BYCOMMAND | MF_GRAYED), -1);
  EXPECT_EQ(CheckMenuItem(menu, 0, MF_BYPOSITION | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 31, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(GetMenuState(sub, 31, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 9, MF_BYPOSITION | MF_CHECKED), static_cast<DWORD>(-1));

  // Removing keeps the pop-up alive, deleting destroys it; destroying goes all the way down.
  ASSERT_TRUE(RemoveMenu(menu, 4, MF_BYPOSITION));
  EXPECT_EQ(GetMenuItemCount(sub), 2);
  ASSERT_TRUE(AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"More"));
  ASSERT_TRUE(DeleteMenu(menu, 10, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuItemCount(menu), 4);
  ASSERT_TRUE(DestroyMenu(menu));
  EXPECT_EQ(GetMenuItemCount(menu), -1);
  EXPECT_EQ(GetMenuItemCount(sub), -1);
  EXPECT_FALSE(DestroyMenu(menu));
}

TEST(Menus, LoadMenuBuildsTheResourcesPopUpsWithTheirStates) {
  HMENU bar = LoadMenuW(nullptr, MAKEINTRESOURCEW(102));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  HMENU tasks = GetSubMenu(bar, 0);
  ASSERT_NE(tasks, nullptr);
  EXPECT_EQ(GetMenuItemCount(tasks), 3);
  EXPECT_EQ(GetMenuState(tasks, 40013, MF_BYCOMMAND), static_cast<UINT>(MF_ENABLED));
  EXPECT_EQ(GetMenuState(tasks, 1, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(tasks, 50006, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(GetMenuState(bar, 40010, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(999)), nullptr);
}

class PopupMenuTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    menu_ = CreatePopupMenu();
    AppendMenuW(menu_, MF_STRING, 101, u"Open");
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, 102, u"Greyed");
    AppendMenuW(menu_, MF_STRING | MF_CHECKED, 103, u"Checked");
  }
  void TearDown() override {
    DestroyMenu(menu_);
    ControlsTest::TearDown();
  }
  // The open menu's window and the screen point of row `i` (0-based, separators count).
  static HWND MenuWindow() { return FindWindowW(u"#32768", nullptr); }
  static POINT Item(RECT menu, int i) {
    int y = menu.top + 1;
    for (int k = 0; k < i; ++k) y += k == 1 ? 7 : 20;
    return POINT{menu.left + 40, y + 10};
  }
  UINT Track(UINT flags, int x = 40, int y = 60) {
    return static_cast<UINT>(TrackPopupMenu(menu_, flags, x, y, 0, parent_, nullptr));
  }
  HMENU menu_ = nullptr;
};

TEST_F(PopupMenuTest, ATapOnAnItemReturnsItsCommandAndSendsNothing) {
  MessageRecorder owner(parent_, {WM_COMMAND, WM_INITMENUPOPUP});
  RECT at{};
  During(50, [&] {
    GetWindowRect(MenuWindow(), &at);
    QueueTap(10, Item(at, 3));
  });
  EXPECT_EQ(Track(TPM_RETURNCMD), 103u);
  EXPECT_EQ(at.left, 40);
  EXPECT_EQ(at.top, 60);
  test::RunUntilIdle();
  EXPECT_TRUE(owner.Matches({{WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu_)}}));
  EXPECT_EQ(MenuWindow(), nullptr);
}

TEST_F(PopupMenuTest, WithoutReturnCmdTheChoiceIsPostedToTheOwner) {
  MessageRecorder owner(parent_, {WM_COMMAND});
  During(50, [&] {
    RECT at;
    GetWindowRect(MenuWindow(), &at);
    QueueTap(10, Item(at, 0));
  });
  EXPECT_EQ(Track(0), static_cast<UINT>(TRUE));
  test::RunUntilIdle();
  EXPECT_TRUE(owner.Matches({{WM_COMMAND, MAKEWPARAM(101, 0), 0}}));
}

TEST_F(PopupMenuTest, GreyedItemsAndSeparatorsCannotBeChosenAndATapOutsideDismisses) {
  MessageRecorder owner(parent_, {WM_LBUTTONDOWN, WM_COMMAND});
  During(50, [&] {
    RECT at;
    GetWindowRect(MenuWindow(), &at);
    QueueTap(10, Item(at, 2));             // greyed: the menu stays
    QueueTap(20, Item(at, 1));             // separator: the menu stays
    QueueTap(30, POINT{200, at.top + 5});  // outside: dismissed, and the tap goes no further
  });
  EXPECT_EQ(Track(TPM_RETURNCMD), 0u);
  test::RunUntilIdle();
  EXPECT_TRUE(owner.log().empty()) << owner.Describe();
}

TEST_F(PopupMenuTest, KeysMoveOverSeparatorsEnterChoosesEscapeDismisses) {
  During(50, [] {
    QueueKey(10, VK_DOWN);  // Open
    QueueKey(20, VK_DOWN);  // Greyed (the separator is skipped)
    QueueKey(30, VK_RETURN);  // not choosable
    QueueKey(40, VK_DOWN);  // Checked
    QueueKey(50, VK_RETURN);
  });
  EXPECT_EQ(Track(TPM_RETURNCMD), 103u);
  During(50, [] { QueueKey(10, VK_ESCAPE); });
  EXPECT_EQ(Track(TPM_RETURNCMD), 0u);
  // With nothing left to come (a headless run at its end) the menu closes unchosen.
  EXPECT_EQ(Track(TPM_RETURNCMD), 0u);
}

TEST_F(PopupMenuTest, TheMenuIsKeptOnTheScreenAndDrawsGreyAndCheckedItems) {
  RECT at{};
  COLORREF open = 0, greyed = 0;
  int checkPixels = 0;
  During(50, [&] {
    GetWindowRect(MenuWindow(), &at);
    // The darkest pixel of each label tells its colour; the check mark sits left of the text.
    auto darkest = [&](int row) {
      POINT p = Item(at, row);
      COLORREF best = RGB(255, 255, 255);
      for (int y = p.y - 8; y < p.y + 8; ++y)
        for (int x = at.left + 20; x < at.right - 10; ++x) {
          COLORREF c = test::PixelAt(x, y);
          if (GetRValue(c) + GetGValue(c) + GetBValue(c) < GetRValue(best) + GetGValue(best) + GetBValue(best)) best = c;
        }
      return best;
    };
    open = darkest(0);
    greyed = darkest(2);
    POINT check = Item(at, 3);
    for (int y = check.y - 8; y < check.y + 8; ++y)
      for (int x = at.left + 1; x < at.left + 20; ++x) checkPixels += test::PixelAt(x, y) == RGB(0, 0, 0);
    QueueKey(10, VK_ESCAPE);
  });
  Track(TPM_RETURNCMD, 235, 315);
  EXPECT_LE(at.right, 240);
  EXPECT_LE(at.bottom, 320);
  EXPECT_GT(at.right - at.left, 40);
  EXPECT_EQ(open, RGB(0, 0, 0));
  EXPECT_GT(GetRValue(greyed), 100);  // grey, not black
  EXPECT_LT(GetRValue(greyed), 200);
  EXPECT_GT(checkPixels, 6);
}

TEST_F(PopupMenuTest, BadMenusAndOwnersFail) {
  EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x1234), TPM_RETURNCMD, 0, 0, 0, parent_, nullptr));
  EXPECT_FALSE(TrackPopupMenu(menu_, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr));
  HMENU empty = CreatePopupMenu();
  EXPECT_EQ(TrackPopupMenu(empty, TPM_RETURNCMD, 0, 0, 0, parent_, nullptr), 0);
  DestroyMenu(empty);
}

}  // namespace
