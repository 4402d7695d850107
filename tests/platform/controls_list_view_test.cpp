// The report-style "SysListView32" through the message path: callback texts, the custom
// draw stages, taps and NM_CLICK, keys, states, scrolling, redraw, colours, and that a list
// of 10,000 callback rows only ever asks for the rows it shows.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using test::MessageRecorder;

constexpr DWORD kStyle = LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER;

struct Request {
  int item;
  int subItem;
};

class ListViewTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    OnParent([this](HWND, UINT m, WPARAM, LPARAM l, LRESULT* r) { return Answer(m, l, r); });
  }

  HWND Make(DWORD style = kStyle, int rows = 0, int height = 100) {
    HWND list = Child(WC_LISTVIEWW, style, 5, 6, 212, height);
    // Each with its own mask: with mask 0 the second would replace the first.
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_ONECLICKACTIVATE, LVS_EX_ONECLICKACTIVATE);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH;
    column.cx = 80;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = 212 - GetSystemMetrics(SM_CXVSCROLL) - 80;
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    Fill(list, rows);
    return list;
  }
  static void Fill(HWND list, int rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < rows; ++i) {
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_STATE | LVIF_PARAM;
      item.iItem = i;
      item.pszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    test::RunUntilIdle();
  }

  // The parent: texts "Row n" / "Def n", and custom draw when asked.
  bool Answer(UINT m, LPARAM l, LRESULT* r) {
    if (m != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(l);
    if (hdr->code == LVN_GETDISPINFOW) {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(l);
      requests_.push_back(Request{info->item.iItem, info->item.iSubItem});
      lastBufferSize_ = info->item.cchTextMax;
      std::u16string text = (info->item.iSubItem == 0 ? u"Row " : u"Def ") + Number(info->item.iItem);
      if (longText_) text = std::u16string(1000, u'L');
      int n = std::min<int>(static_cast<int>(text.size()), info->item.cchTextMax - 1);
      std::copy_n(text.data(), n, info->item.pszText);
      info->item.pszText[n] = 0;
      return true;
    }
    if (hdr->code == NM_CUSTOMDRAW && customDraw_) {
      auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(l);
      DWORD stage = cd->nmcd.dwDrawStage;
      if (stage == CDDS_PREPAINT || stage == CDDS_ITEMPREPAINT) {
        *r = CDRF_NOTIFYSUBITEMDRAW;
      } else if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        cd->clrText = cd->iSubItem == 0 ? RGB(200, 0, 0) : RGB(0, 150, 0);
        SelectObject(cd->nmcd.hdc, font_);
        *r = CDRF_NEWFONT;
      } else {
        *r = 0;
      }
      return true;
    }
    if (hdr->code == NM_CLICK) clicks_.push_back(reinterpret_cast<NMITEMACTIVATE*>(l)->iItem);
    if (hdr->code == LVN_ITEMCHANGED) {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
      changes_.push_back({nm->iItem, static_cast<int>(nm->uNewState)});
      if (onChange_) onChange_();
    }
    return false;
  }
  static std::u16string Number(int n) {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
  }
  int RowHeight(HWND list) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom - r.top;
  }
  // Screen point in the middle of the visible row `row` (counted from the top of the list).
  POINT RowPoint(HWND list, int row, int x = 40) { return OnScreen(list, x, row * RowHeight(list) + RowHeight(list) / 2); }
  UINT State(HWND list, int item) {
    return static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_SELECTED | LVIS_FOCUSED));
  }
  int Top(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); }
  std::vector<int> RequestedItems() const {
    std::vector<int> items;
    for (const Request& r : requests_) items.push_back(r.item);
    return items;
  }

  std::vector<Request> requests_;
  std::vector<int> clicks_;
  std::vector<std::pair<int, int>> changes_;
  std::function<void()> onChange_;
  int lastBufferSize_ = 0;
  bool customDraw_ = false;
  bool longText_ = false;
  HFONT font_ = nullptr;
};

TEST_F(ListViewTest, ATapOnARowSelectsItAndSendsClickThenActivate) {
  HWND list = Make(kStyle, 6, 200);
  MessageRecorder parent(parent_, {WM_NOTIFY});
  POINT row3 = RowPoint(list, 3);
  test::Tap(row3.x, row3.y);
  std::vector<UINT> codes;
  for (const auto& r : parent.log())
    if (r.code != NM_CUSTOMDRAW && r.code != LVN_GETDISPINFOW) codes.push_back(r.code);
  EXPECT_EQ(codes, (std::vector<UINT>{LVN_ITEMCHANGED, NM_CLICK, LVN_ITEMACTIVATE}));
  EXPECT_EQ(clicks_, std::vector<int>{3});
  EXPECT_EQ(State(list, 3), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3);
  EXPECT_EQ(GetFocus(), list);
  // Below the rows: item -1, and the selection goes.
  POINT below = RowPoint(list, 7);
  test::Tap(below.x, below.y);
  EXPECT_EQ(clicks_, (std::vector<int>{3, -1}));
  EXPECT_EQ(State(list, 3), static_cast<UINT>(LVIS_FOCUSED));
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
}

TEST_F(ListViewTest, CustomDrawStagesComeInOrderWithTheSubItemBit) {
  font_ = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, u"Arial");
  customDraw_ = true;
  HWND list = Make(kStyle, 2);
  MessageRecorder parent(parent_, {WM_NOTIFY});
  requests_.clear();
  InvalidateRect(list, nullptr, TRUE);
  test::RunUntilIdle();
  std::vector<int> stages;
  for (const auto& r : parent.log())
    if (r.stage >= 0) stages.push_back(r.stage);
  const int item = CDDS_ITEMPREPAINT, sub = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
  EXPECT_EQ(stages, (std::vector<int>{CDDS_PREPAINT, item, sub, sub, item, sub, sub}));
  // Each cell's text is asked for after its own stage.
  EXPECT_EQ(RequestedItems(), (std::vector<int>{0, 0, 1, 1}));
  // The parent's colours and font reach the cells.
  int red = 0, green = 0;
  for (int y = 0; y < RowHeight(list); ++y)
    for (int x = 0; x < 200; ++x) {
      POINT p = OnScreen(list, x, y);
      COLORREF c = test::PixelAt(p.x, p.y);
      red += c == RGB(200, 0, 0) && x < 80;
      green += c == RGB(0, 150, 0) && x >= 80;
    }
  EXPECT_GT(red, 10);
  EXPECT_GT(green, 10);
  // A parent that wants nothing at pre-paint gets no item stages.
  customDraw_ = false;
  parent.Clear();
  InvalidateRect(list, nullptr, TRUE);
  test::RunUntilIdle();
  size_t withStage = 0;
  for (const auto& r : parent.log()) withStage += r.stage >= 0;
  EXPECT_EQ(withStage, 1u);
  DestroyWindow(list);
  DeleteObject(font_);
}

TEST_F(ListViewTest, CallbackTextsStayWithinTheBufferTheListGives) {
  HWND list = Make(kStyle, 1);
  longText_ = true;
  WCHAR buffer[2000] = {};
  LVITEMW item{};
  item.iSubItem = 1;
  item.pszText = buffer;
  item.cchTextMax = 2000;
  int n = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_GT(lastBufferSize_, 0);
  EXPECT_EQ(n, lastBufferSize_ - 1);
  // Own texts need no parent, and a small buffer gets a cut, terminated copy.
  LVITEMW set{};
  set.iSubItem = 0;
  set.pszText = const_cast<LPWSTR>(u"own text");
  SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&set));
  requests_.clear();
  WCHAR small[4];
  item.iSubItem = 0;
  item.pszText = small;
  item.cchTextMax = 4;
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item)), 3);
  EXPECT_EQ(std::u16string(small), u"own");
  EXPECT_TRUE(requests_.empty());
}

TEST_F(ListViewTest, TenThousandCallbackRowsOnlyAskForTheRowsShown) {
  requests_.clear();
  HWND list = Make(kStyle, 10000);
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 10000);
  int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  auto shownOnly = [&](int top) {
    for (const Request& r : requests_)
      if (r.item < top || r.item > top + page) return false;
    return !requests_.empty() && requests_.size() <= static_cast<size_t>(2 * (page + 1));
  };
  EXPECT_TRUE(shownOnly(0)) << requests_.size() << " requests";

  requests_.clear();
  SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
  test::RunUntilIdle();
  EXPECT_EQ(Top(list), page);
  EXPECT_TRUE(shownOnly(page)) << requests_.size() << " requests";

  requests_.clear();
  SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5000), 0);
  test::RunUntilIdle();
  EXPECT_EQ(Top(list), 5000);
  EXPECT_TRUE(shownOnly(5000));

  SetFocus(list);
  requests_.clear();
  test::Key(VK_END);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 9999);
  EXPECT_EQ(Top(list), 10000 - page);
  EXPECT_TRUE(shownOnly(10000 - page));

  // Repainting one row asks for that row alone.
  requests_.clear();
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, 9999, reinterpret_cast<LPARAM>(&r));
  InvalidateRect(list, &r, FALSE);
  test::RunUntilIdle();
  EXPECT_EQ(RequestedItems(), (std::vector<int>{9999, 9999}));
}

TEST_F(ListViewTest, ArrowKeysMoveTheSelectionOnKeyDown) {
  HWND list = Make(kStyle, 30);
  SetFocus(list);
  int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  test::Key(VK_DOWN);  // nothing focused yet: the first row
  EXPECT_EQ(State(list, 0), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
  changes_.clear();
  test::KeyDown(VK_DOWN);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  EXPECT_FALSE(changes_.empty());  // before the key is released
  test::KeyUp(VK_DOWN);
  test::Key(VK_UP);
  test::Key(VK_UP);  // stays on the first row
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 0);
  test::Key(VK_NEXT);  // to the bottom of the page first
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), page - 1);
  EXPECT_EQ(Top(list), 0);
  test::Key(VK_NEXT);  // then a page further, scrolled into view
  int at = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ(at, 2 * (page - 1));
  EXPECT_EQ(Top(list), at - page + 1);
  test::Key(VK_HOME);
  EXPECT_EQ(Top(list), 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListViewTest, ItemStatesAndTheNextItemQueries) {
  HWND list = Make(kStyle, 5);
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);  // several without LVS_SINGLESEL
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 1, LVNI_SELECTED), 3);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, 3, LVNI_SELECTED), -1);
  state.stateMask = LVIS_FOCUSED;
  state.state = LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(State(list, 2), 0u);  // focus is on one item only
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 4);
  // Every item at once, with a notification for each one that changed.
  changes_.clear();
  state.stateMask = LVIS_SELECTED;
  state.state = 0;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(changes_, (std::vector<std::pair<int, int>>{{1, 0}, {3, 0}}));
  // A single-selection list keeps one.
  HWND single = Child(WC_LISTVIEWW, kStyle | LVS_SINGLESEL, 5, 120, 212, 60, 8);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  SendMessageW(single, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  Fill(single, 3);
  state.state = LVIS_SELECTED;
  SendMessageW(single, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  SendMessageW(single, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(SendMessageW(single, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(single, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
}

TEST_F(ListViewTest, AStylusDragPansTheRowsWithoutAClick) {
  HWND list = Make(kStyle, 40);
  int h = RowHeight(list);
  SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), 0);
  POINT from = RowPoint(list, 1), to = from;
  to.y += 3 * h + 1;
  test::Drag(from.x, from.y, to.x, to.y, 6);
  EXPECT_EQ(Top(list), 7);  // the rows followed the stylus down
  EXPECT_TRUE(clicks_.empty());
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  // The scroll bar's down arrow, through the window system's own tracking.
  RECT w;
  GetWindowRect(list, &w);
  test::Tap(w.right - 3, w.bottom - 3);
  EXPECT_EQ(Top(list), 8);
  // Tapping a row scrolled partly out of view brings it in whole.
  RECT client;
  GetClientRect(list, &client);
  int page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  if (client.bottom % h) {
    POINT partial = OnScreen(list, 40, page * h + 1);
    test::Tap(partial.x, partial.y);
    EXPECT_EQ(clicks_.back(), 8 + page);
    EXPECT_EQ(Top(list), 9);
  }
}

TEST_F(ListViewTest, RedrawOffHoldsPaintingUntilItIsOn) {
  HWND list = Make(kStyle, 0);
  MessageRecorder paints(list, {WM_PAINT});
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.pszText = LPSTR_TEXTCALLBACKW;
  for (int i = 0; i < 5; ++i) {
    item.iItem = i;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  requests_.clear();
  test::RunUntilIdle();
  EXPECT_EQ(paints.Count(WM_PAINT), 0u);
  EXPECT_TRUE(requests_.empty());
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  test::RunUntilIdle();
  EXPECT_EQ(paints.Count(WM_PAINT), 1u);
  EXPECT_EQ(requests_.size(), 10u);
  // Deleting everything leaves an empty list that repaints and asks nothing.
  requests_.clear();
  EXPECT_TRUE(SendMessageW(list, LVM_DELETEALLITEMS, 0, 0));
  test::RunUntilIdle();
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_TRUE(requests_.empty());
}

TEST_F(ListViewTest, ColoursAndTheSelectionHighlightFocusedOrNot) {
  HWND list = Make(kStyle, 3);
  SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(250, 240, 230));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(250, 240, 230));
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 255));
  EXPECT_EQ(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), static_cast<LRESULT>(RGB(0, 0, 255)));
  test::RunUntilIdle();
  POINT empty = RowPoint(list, 4, 150);
  EXPECT_TRUE(test::PixelIs(empty.x, empty.y, RGB(250, 240, 230)));
  POINT row1 = RowPoint(list, 1, 200);
  test::Tap(row1.x, row1.y);
  EXPECT_TRUE(test::PixelIs(row1.x, row1.y, GetSysColor(COLOR_HIGHLIGHT)));  // the full row
  SetFocus(parent_);
  test::RunUntilIdle();
  COLORREF unfocused = test::PixelAt(row1.x, row1.y);
  EXPECT_NE(unfocused, RGB(250, 240, 230));  // still shown, as LVS_SHOWSELALWAYS asks
  EXPECT_NE(unfocused, GetSysColor(COLOR_HIGHLIGHT));
  // Without LVS_SHOWSELALWAYS an unfocused selection does not show.
  SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) & ~LVS_SHOWSELALWAYS);
  InvalidateRect(list, nullptr, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(test::PixelIs(row1.x, row1.y, RGB(250, 240, 230)));
}

TEST_F(ListViewTest, RowHeightFollowsTheFontAndItemsInsertDeleteInPlace) {
  HWND list = Make(kStyle, 3);
  int before = RowHeight(list);
  HFONT big = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, big);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(RowHeight(list), tm.tmHeight + 2);
  EXPECT_GT(RowHeight(list), before);
  // Own texts inserted in the middle and deleted again.
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 1;
  item.pszText = const_cast<LPWSTR>(u"middle");
  item.lParam = 77;
  EXPECT_EQ(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 1);
  LVITEMW get{};
  get.mask = LVIF_PARAM;
  get.iItem = 1;
  SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_EQ(get.lParam, 77);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_TRUE(SendMessageW(list, LVM_DELETEITEM, 1, 0));
  EXPECT_FALSE(SendMessageW(list, LVM_DELETEITEM, 9, 0));
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
  DestroyWindow(list);
  DeleteObject(big);
}

TEST_F(ListViewTest, AParentThatEmptiesTheListWhileHearingOfAChangeIsSafe) {
  HWND list = Make(kStyle, 5);
  onChange_ = [list] { SendMessageW(list, LVM_DELETEALLITEMS, 0, 0); };
  POINT row2 = RowPoint(list, 2);
  test::Tap(row2.x, row2.y);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
  ASSERT_FALSE(clicks_.empty());
  EXPECT_EQ(clicks_.back(), -1);
}

}  // namespace
