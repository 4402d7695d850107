// The result list: texts on demand, colours and fonts per cell through custom draw, taps,
// the keyboard filter's focus and arrow rules, redraw control and clearing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/commctrl.h"
#include "tests/support/message_recorder.h"
#include "tests/widgets/widget_fixture.h"
#include "widgets/list_view.h"

namespace {

using widget_test::OnScreen;

struct Report {
  int row;
  std::u16string text;
  bool hasText;
};
std::vector<Report> g_reports;
void OnRow(int row, const WCHAR* text) { g_reports.push_back({row, text ? text : u"", text != nullptr}); }

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    RegisterListViewClass();
    host_ = widget_test::CreateHost(0, 26, 240, 268);
    list_ = new ListViewControl(host_, 8, 182, 224, 77, OnRow);
    list_->AddColour(RGB(165, 165, 165));
    list_->AddColour(RGB(0, 0, 128));
    list_->AddColour(RGB(0, 0, 220));
    list_->EnableKeyboardFilter();
    test::RunUntilIdle();
    g_reports.clear();
  }
  void TearDown() override {
    delete list_;
    DestroyWindow(host_);
  }
  std::u16string Cell(int item, int sub) {
    WCHAR buffer[600] = {};
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buffer;
    it.cchTextMax = 600;
    SendMessageW(list_->innerList, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it));
    return buffer;
  }
  // The custom-draw answer for one cell, with the colour and font it set.
  struct Drawn {
    LRESULT answer;
    COLORREF colour;
    LOGFONTW font;
  };
  Drawn Draw(DWORD stage, int item, int sub) {
    HDC dc = CreateCompatibleDC(nullptr);
    NMLVCUSTOMDRAW cd{};
    cd.nmcd.hdr.hwndFrom = list_->innerList;
    cd.nmcd.hdr.code = NM_CUSTOMDRAW;
    cd.nmcd.dwDrawStage = stage;
    cd.nmcd.hdc = dc;
    cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
    cd.iSubItem = sub;
    cd.clrText = RGB(1, 2, 3);
    Drawn d{};
    d.answer = SendMessageW(list_->frameWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&cd));
    d.colour = cd.clrText;
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(d.font), &d.font);
    DeleteDC(dc);
    return d;
  }
  POINT RowPoint(int row, int x = 30) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(list_->innerList, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    return OnScreen(list_->innerList, x, (r.top + r.bottom) / 2);
  }

  test::HeadlessScreen screen_;
  HWND host_ = nullptr;
  ListViewControl* list_ = nullptr;
};

TEST_F(ListViewTest, FrameAndInnerListGeometry) {
  RECT frame = widget_test::WindowRectOf(list_->frameWindow);
  POINT at = OnScreen(host_, 8, 182);
  EXPECT_EQ(frame.left, at.x);
  EXPECT_EQ(frame.top, at.y);
  EXPECT_EQ(frame.right - frame.left, 224);
  EXPECT_EQ(frame.bottom - frame.top, 77);
  RECT inner = widget_test::WindowRectOf(list_->innerList);
  EXPECT_EQ(inner.left - frame.left, 5);
  EXPECT_EQ(inner.top - frame.top, 6);
  EXPECT_EQ(inner.right - inner.left, 212);
  EXPECT_EQ(inner.bottom - inner.top, 65);
  EXPECT_EQ(SendMessageW(list_->innerList, LVM_GETCOLUMNWIDTH, 0, 0), 80);
  EXPECT_EQ(SendMessageW(list_->innerList, LVM_GETCOLUMNWIDTH, 1, 0), 132 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(list_->palette->count, 4);
  EXPECT_EQ(static_cast<COLORREF>(list_->palette->At(3)), RGB(0, 0, 220));
  // The rounded grey frame; its corners show the hatching.
  EXPECT_TRUE(test::PixelIs(frame.left + 100, frame.top, RGB(192, 192, 192)));
  EXPECT_TRUE(test::PixelIs(frame.left, frame.top, RGB(220, 220, 220)));
  EXPECT_TRUE(test::PixelIs(frame.left + 100, frame.top + 2, RGB(255, 255, 255)));
}

TEST_F(ListViewTest, TextsAreHandedOutOnDemandWithinTheBuffer) {
  list_->AddRow(u"中国 ", u"China", 0);
  list_->AddRow(u"吃 ", u"to eat, to consume", 0);
  EXPECT_EQ(Cell(0, 0), u"中国 ");
  EXPECT_EQ(Cell(1, 1), u"to eat, to consume");

  NMLVDISPINFOW info{};
  info.hdr.hwndFrom = list_->innerList;
  info.hdr.code = LVN_GETDISPINFOW;
  WCHAR small[5];
  for (WCHAR& c : small) c = u'#';
  info.item.mask = LVIF_TEXT;
  info.item.iItem = 1;
  info.item.iSubItem = 1;
  info.item.pszText = small;
  info.item.cchTextMax = 4;
  SendMessageW(list_->frameWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::u16string(small), u"to ");
  EXPECT_EQ(small[4], u'#');  // nothing beyond the stated size
  info.item.iItem = 7;        // no such row
  SendMessageW(list_->frameWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(small[0], 0);

  std::u16string huge(700, u'x');
  list_->AddRow(huge.c_str(), u"", 0);
  EXPECT_EQ(lstrlenW(list_->texts->At(4)), 511);
  EXPECT_EQ(Cell(2, 0), std::u16string(259, u'x'));  // the list's own display buffer
}

TEST_F(ListViewTest, CustomDrawColoursAndFontsPerColumnAndTag) {
  list_->AddRow(u"中国 ", u"China", 0);
  list_->AddRow(u"国 ", u"country", 3);
  list_->AddRow(u"人 ", u"person", 1);
  list_->AddRow(u"大 ", u"big", 9);  // a tag without a colour
  EXPECT_EQ(Draw(CDDS_PREPAINT, 0, 0).answer, CDRF_NOTIFYSUBITEMDRAW);
  EXPECT_EQ(Draw(CDDS_ITEMPREPAINT, 0, 0).answer, CDRF_NOTIFYSUBITEMDRAW);
  EXPECT_EQ(Draw(CDDS_POSTPAINT, 0, 0).answer, 0);
  EXPECT_EQ(Draw(CDDS_ITEMPOSTPAINT, 0, 0).answer, 0);
  const DWORD sub = CDDS_ITEMPREPAINT | CDDS_SUBITEM;

  Drawn left = Draw(sub, 0, 0), right = Draw(sub, 0, 1);
  EXPECT_EQ(left.answer, CDRF_NEWFONT);
  EXPECT_EQ(left.colour, RGB(0, 0, 128));
  EXPECT_EQ(right.colour, RGB(128, 128, 128));
  EXPECT_EQ(std::u16string(left.font.lfFaceName), u"MS Song");
  EXPECT_EQ(left.font.lfHeight, -12);
  EXPECT_EQ(left.font.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(left.font.lfWeight, FW_BOLD);
  EXPECT_EQ(left.font.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(std::u16string(right.font.lfFaceName), u"Arial");
  EXPECT_EQ(right.font.lfHeight, -11);
  EXPECT_EQ(right.font.lfWeight, FW_BOLD);
  EXPECT_EQ(right.font.lfCharSet, GB2312_CHARSET);  // Chinese in a definition: the database's face

  EXPECT_EQ(Draw(sub, 1, 0).colour, RGB(0, 0, 220));
  EXPECT_EQ(Draw(sub, 1, 1).colour, RGB(0, 0, 220));
  EXPECT_EQ(Draw(sub, 2, 1).colour, RGB(165, 165, 165));
  EXPECT_EQ(Draw(sub, 3, 0).colour, RGB(0, 0, 128));

  list_->SetGbMode(0);
  Drawn big5 = Draw(sub, 0, 0);
  EXPECT_EQ(std::u16string(big5.font.lfFaceName), u"MingLiU");
  EXPECT_EQ(big5.font.lfHeight, -11);
  EXPECT_EQ(big5.font.lfCharSet, CHINESEBIG5_CHARSET);
  EXPECT_EQ(big5.font.lfWeight, FW_BOLD);
  EXPECT_EQ(std::u16string(Draw(sub, 0, 1).font.lfFaceName), u"Arial");
  EXPECT_EQ(Draw(sub, 0, 1).font.lfCharSet, CHINESEBIG5_CHARSET);
  EXPECT_EQ(Draw(sub, 0, 1).colour, RGB(128, 128, 128));
}

TEST_F(ListViewTest, PaintingAsksForEverySubItemThroughTheMessagePath) {
  test::MessageRecorder recorder(list_->frameWindow, {WM_NOTIFY});
  list_->AddRow(u"中国 ", u"China", 0);
  test::RunUntilIdle();
  std::set<int> stages;
  for (const auto& m : recorder.log())
    if (m.code == NM_CUSTOMDRAW) stages.insert(m.stage);
  EXPECT_TRUE(stages.count(CDDS_PREPAINT));
  EXPECT_TRUE(stages.count(CDDS_ITEMPREPAINT));
  EXPECT_TRUE(stages.count(CDDS_ITEMPREPAINT | CDDS_SUBITEM)) << recorder.Describe();
}

TEST_F(ListViewTest, TapsReportTheRowOrMinusOne) {
  list_->AddRow(u"中国 ", u"China", 0);
  list_->AddRow(u"吃 ", u"to eat", 0);
  POINT p = RowPoint(1);
  test::Tap(p.x, p.y);
  ASSERT_FALSE(g_reports.empty());
  EXPECT_EQ(g_reports.back().row, 1);
  EXPECT_EQ(g_reports.back().text, u"吃 ");
  g_reports.clear();
  POINT below = OnScreen(list_->innerList, 30, 60);
  test::Tap(below.x, below.y);
  bool minusOne = false;
  for (const Report& r : g_reports)
    if (r.row == -1 && !r.hasText) minusOne = true;
  EXPECT_TRUE(minusOne);
}

TEST_F(ListViewTest, EmptyListGivesTheFocusAwayAndReportsNothing) {
  SetFocus(list_->innerList);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(ListViewTest, FocusSelectsTheFirstRowAndArrowsReportTheRowReached) {
  list_->AddRow(u"中国 ", u"China", 0);
  list_->AddRow(u"吃 ", u"to eat", 0);
  list_->AddRow(u"人 ", u"person", 0);
  SetFocus(list_->innerList);
  EXPECT_EQ(GetFocus(), list_->innerList);
  EXPECT_EQ(ListView_GetNextItem(list_->innerList, -1, LVNI_SELECTED), 0);
  EXPECT_EQ(ListView_GetItemState(list_->innerList, 0, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
  EXPECT_TRUE(g_reports.empty());

  test::Key(VK_DOWN);
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0].row, 1);
  EXPECT_EQ(g_reports[0].text, u"吃 ");
  test::Key(VK_DOWN);
  test::Key(VK_DOWN);  // on the last row: reported again
  ASSERT_EQ(g_reports.size(), 3u);
  EXPECT_EQ(g_reports[1].row, 2);
  EXPECT_EQ(g_reports[2].row, 2);
  test::Key(VK_UP);
  EXPECT_EQ(g_reports.back().row, 1);
  test::Key(VK_RIGHT);  // other keys report nothing
  EXPECT_EQ(g_reports.size(), 4u);

  // Losing the focus reports -2; coming back keeps the selected row.
  SetFocus(host_);
  EXPECT_EQ(g_reports.back().row, -2);
  EXPECT_FALSE(g_reports.back().hasText);
  size_t before = g_reports.size();
  SetFocus(list_->innerList);
  EXPECT_EQ(g_reports.size(), before);
  EXPECT_EQ(ListView_GetNextItem(list_->innerList, -1, LVNI_SELECTED), 1);
  EXPECT_EQ(ListView_GetItemState(list_->innerList, 1, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
}

TEST_F(ListViewTest, RedrawOffFillsWithoutPaintingAndOnPaintsOnce) {
  list_->AddRow(u"一 ", u"one", 0);
  test::RunUntilIdle();
  list_->SetRedraw(0);
  widget_test::PaintCounter paints(list_->innerList);
  for (int i = 0; i < 40; ++i) list_->AddRow(u"行 ", u"row", 0);
  test::RunUntilIdle();
  EXPECT_EQ(paints.count(), 0);
  list_->SetRedraw(1);
  test::RunUntilIdle();
  EXPECT_EQ(paints.count(), 1);
  EXPECT_EQ(ListView_GetItemCount(list_->innerList), 41);
}

TEST_F(ListViewTest, ClearStartsAgainAtRowZero) {
  list_->AddRow(u"旧 ", u"old", 3);
  list_->AddRow(u"老 ", u"old too", 0);
  list_->Clear();
  EXPECT_EQ(ListView_GetItemCount(list_->innerList), 0);
  EXPECT_EQ(list_->texts->count, 0);
  EXPECT_EQ(list_->rowTags->count, 0);
  list_->AddRow(u"新 ", u"new", 0);
  EXPECT_EQ(Cell(0, 0), u"新 ");
  EXPECT_EQ(Cell(0, 1), u"new");
  EXPECT_EQ(Draw(CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 1).colour, RGB(128, 128, 128));
}

TEST_F(ListViewTest, RowsInBothFontsMatchTheGolden) {
  list_->SetRedraw(0);
  list_->AddRow(u"中国 ", u"China, Middle Kingdom", 0);
  list_->AddRow(u"吃饭 ", u"to have a meal, to eat", 0);
  list_->AddRow(u"学习 ", u"to learn, to study", 3);
  list_->SetRedraw(1);
  ListViewControl big5(host_, 8, 100, 224, 77, OnRow);
  big5.AddColour(RGB(165, 165, 165));
  big5.AddColour(RGB(0, 0, 128));
  big5.AddColour(RGB(0, 0, 220));
  big5.SetGbMode(0);
  big5.AddRow(u"中國 ", u"China, Middle Kingdom", 0);
  big5.AddRow(u"學習 ", u"to learn, to study", 1);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/list_view.png"));
}

}  // namespace
