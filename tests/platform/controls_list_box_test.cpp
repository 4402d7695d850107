// The "listbox" control through the message path: its strings, LBN_SELCHANGE on a tap, keys,
// rows as high as the font, the scroll bar, redraw switching and the parent's colours.
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using test::MessageRecorder;

class ListBoxTest : public ControlsTest {
 protected:
  HWND Make(DWORD style = WS_VSCROLL | LBS_NOTIFY, int height = 100) {
    return Child(u"listbox", WS_BORDER | style, 10, 10, 120, height);
  }
  static void Add(HWND list, const WCHAR* text) { SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
  static std::u16string Item(HWND list, int i) {
    WCHAR buffer[64] = {};
    int n = static_cast<int>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer)));
    return n < 0 ? u"<error>" : std::u16string(buffer, static_cast<size_t>(n));
  }
  // Screen point in the middle of row `row` counted from the top of the box.
  POINT Row(HWND list, int row) {
    int h = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    return OnScreen(list, 20, row * h + h / 2);
  }
};

TEST_F(ListBoxTest, StringsAreAddedInsertedDeletedAndReadBack) {
  HWND list = Make();
  EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"beta")), 0);
  EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"gamma")), 1);
  EXPECT_EQ(SendMessageW(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"alpha")), 0);
  EXPECT_EQ(SendMessageW(list, LB_INSERTSTRING, 5, reinterpret_cast<LPARAM>(u"far")), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Item(list, 0), u"alpha");
  EXPECT_EQ(Item(list, 2), u"gamma");
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 1, 0), 4);
  EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 3, 0), LB_ERR);
  EXPECT_EQ(Item(list, 7), u"<error>");

  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 2, 0), 2);
  // Deleting above the selection moves it; deleting it clears it.
  EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 1, 0), 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 4, 0), LB_ERR);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(ListBoxTest, ATapOnAnItemSelectsItAndNotifiesOnce) {
  HWND list = Make();
  for (auto s : {u"one", u"two", u"three"}) Add(list, s);
  MessageRecorder parent(parent_, {WM_COMMAND});
  POINT second = Row(list, 1);
  test::Tap(second.x, second.y);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(parent.Matches({{WM_COMMAND, MAKEWPARAM(7, LBN_SETFOCUS)},
                              {WM_COMMAND, MAKEWPARAM(7, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list)}}));
  // Below the last item: nothing chosen, nothing said.
  parent.Clear();
  POINT empty = Row(list, 5);
  test::Tap(empty.x, empty.y);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(parent.log().empty()) << parent.Describe();
  // Without LBS_NOTIFY the parent hears nothing.
  HWND quiet = Child(u"listbox", WS_BORDER, 140, 10, 80, 60, 9);
  Add(quiet, u"x");
  parent.Clear();
  POINT q = OnScreen(quiet, 10, 4);
  test::Tap(q.x, q.y);
  EXPECT_EQ(SendMessageW(quiet, LB_GETCURSEL, 0, 0), 0);
  for (const auto& r : parent.log()) EXPECT_NE(r.lParam, reinterpret_cast<LPARAM>(quiet)) << parent.Describe();
}

TEST_F(ListBoxTest, AParentMayCloseTheListWhileItHearsTheChoice) {
  HWND list = Make();
  Add(list, u"pick me");
  int seen = -1;
  OnParent([&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT*) {
    if (m == WM_COMMAND && HIWORD(w) == LBN_SELCHANGE) {
      seen = static_cast<int>(SendMessageW(reinterpret_cast<HWND>(l), LB_GETCURSEL, 0, 0));
      DestroyWindow(reinterpret_cast<HWND>(l));
    }
    return false;
  });
  POINT p = Row(list, 0);
  test::Tap(p.x, p.y);
  EXPECT_EQ(seen, 0);
  EXPECT_FALSE(IsWindow(list));
}

TEST_F(ListBoxTest, RowsFollowTheFontAndTheScrollBarShowsOnlyWhenNeeded) {
  HFONT font = CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE tej{};
  GetTextExtentPoint32W(dc, u"Tej", 3, &tej);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // As the drop-down of a combo box sizes it: exactly n rows of the font's height.
  int h = tej.cy;
  HWND list = Child(u"listbox", WS_VSCROLL | LBS_NOTIFY, 10, 10, 120, 3 * h);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), h);
  for (auto s : {u"a", u"b", u"c"}) Add(list, s);
  test::RunUntilIdle();
  EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
  Add(list, u"d");
  test::RunUntilIdle();
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
  SendMessageW(list, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
  SendMessageW(list, WM_VSCROLL, SB_LINEDOWN, 0);  // no further than the last page
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
  SendMessageW(list, LB_DELETESTRING, 3, 0);
  test::RunUntilIdle();
  EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
  DestroyWindow(list);
  DeleteObject(font);
}

TEST_F(ListBoxTest, KeysMoveTheSelectionIntoViewAndNotify) {
  HWND list = Make(WS_VSCROLL | LBS_NOTIFY, 60);
  for (int i = 0; i < 20; ++i) Add(list, (u"item " + std::u16string(1, static_cast<char16_t>(u'A' + i))).c_str());
  SetFocus(list);
  MessageRecorder parent(parent_, {WM_COMMAND});
  test::Key(VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  test::Key(VK_END);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 19);
  int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  int rows = 60 / static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_EQ(top, 20 - rows);
  test::Key(VK_HOME);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
  test::Key(VK_UP);  // already at the top: no change, no notification
  EXPECT_EQ(parent.Count(WM_COMMAND), 3u);
}

TEST_F(ListBoxTest, NothingPaintsWhileRedrawIsOffAndTheParentColoursTheList) {
  HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
  OnParent([&](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
    if (m != WM_CTLCOLORLISTBOX) return false;
    SetTextColor(reinterpret_cast<HDC>(w), RGB(255, 255, 0));
    *r = reinterpret_cast<LRESULT>(navy);
    return true;
  });
  HWND list = Make();
  HFONT crisp = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, u"Arial");
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(crisp), FALSE);
  MessageRecorder paints(list, {WM_PAINT});
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (auto s : {u"WWW", u"MMM"}) Add(list, s);
  test::RunUntilIdle();
  EXPECT_EQ(paints.Count(WM_PAINT), 0u);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  test::RunUntilIdle();
  EXPECT_EQ(paints.Count(WM_PAINT), 1u);
  POINT bottom = OnScreen(list, 100, 90);
  EXPECT_TRUE(test::PixelIs(bottom.x, bottom.y, RGB(0, 0, 128)));
  int yellow = 0;
  for (int x = 0; x < 40; ++x)
    for (int y = 0; y < 14; ++y) {
      POINT p = OnScreen(list, x, y);
      yellow += test::PixelAt(p.x, p.y) == RGB(255, 255, 0);
    }
  EXPECT_GT(yellow, 10);
  DestroyWindow(list);
  DeleteObject(navy);
  DeleteObject(crisp);
}

}  // namespace
