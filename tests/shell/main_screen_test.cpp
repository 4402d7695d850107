// What a learner meets on the main screen, driven by taps and keys: rows chosen by a tap
// anywhere on them, keys that move the highlight, the search box's drop-down, texts that
// never overlap, and definitions that always show and stay inside the panel.
#include <gtest/gtest.h>

#include <fstream>

#include "device/definition/definition_view.h"
#include "device/dictionary/search_driver.h"
#include "device/dictionary/search_text.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "platform/commctrl.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "tests/support/pixels.h"
#include "widgets/combo_box.h"
#include "widgets/frame_window.h"
#include "widgets/label.h"
#include "widgets/list_view.h"
#include "widgets/text_button.h"

namespace {

using program_test::DictionaryProgram;

const std::vector<std::u16string> kLearnerLines = {
    u"# CEDICT test list (GB)",
    u"七国集团 [Qi1 guo2 Ji2 tuan2] /G7, the Group of Seven major industrial nations: Canada, France, Germany, "
    u"Italy, Japan, the United Kingdom and the United States, joined for a while by Russia/",
    u"电脑 [dian4 nao3] /computer/CL:台[tai2]/",
    u"斜钩 [xie2 gou1] /(gem)/",
    u"中华人民共和国 [Zhong1 hua2 Ren2 min2 Gong4 he2 guo2] /People's Republic of China/PRC/",
    u"多 [duo1] /many a word of meaning/much more than enough/a lot of things here/very many of them/"
    u"odd/fifth line/",
    u"中 [zhong1] /middle/centre/China/",
    u"中国 [zhong1 guo2] /China/",
    u"瓷器 [ci2 qi4] /chinaware/porcelain/",
    u"北京 [Bei3 jing1] /Beijing, capital of China/",
    u"中国人 [zhong1 guo2 ren2] /Chinese person/",
};

class MainScreen : public DictionaryProgram {
 protected:
  void PrepareLearnerList() { PrepareGb(kLearnerLines); }

  // Row r's rectangle in screen coordinates.
  static RECT RowRect(int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(ResultList->innerList, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ClientToScreen(ResultList->innerList, &a);
    ClientToScreen(ResultList->innerList, &b);
    return RECT{a.x, a.y, b.x, b.y};
  }


  static int RowOfHeadword(const std::u16string& headword) {
    for (int r = 0; r < ResultEntryCount; ++r)
      if (ResultList->LeftText(r) && std::u16string(ResultList->LeftText(r)) == headword + u" ") return r;
    return -1;
  }

  void Choose(const std::u16string& query, const std::u16string& headword) {
    Search(query);
    int row = RowOfHeadword(headword);
    ASSERT_GE(row, 0) << "no row for the headword";
    TapRow(row);
  }

  static void TapArrow() {
    RECT r;
    GetWindowRect(SearchBox->comboWindow, &r);
    test::Tap(r.right - 9, (r.top + r.bottom) / 2);
  }

};

TEST_F(MainScreen, ATapAnywhereOnARowChoosesItAndHighlightsItAll) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Search(u"china");
  ASSERT_GE(ResultEntryCount, 3);
  RECT row = RowRect(1);
  test::Tap(row.left + 150, (row.top + row.bottom) / 2);  // on the definition text
  EXPECT_EQ(SelectedEntry, ResultEntries[1]);
  // The highlight runs under both columns: most of the definition's cell has its colour.
  COLORREF highlight = test::PixelAt(row.left + 1, row.top + 1);
  EXPECT_NE(highlight, RGB(255, 255, 255));
  int lit = 0, all = 0;
  for (int y = row.top; y < row.bottom; ++y)
    for (int x = row.left + 82; x < row.left + 200; ++x, ++all) lit += test::PixelAt(x, y) == highlight;
  EXPECT_GT(lit * 2, all);
}

TEST_F(MainScreen, KeysThatMoveTheHighlightShowItsEntry) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Search(u"china");
  ASSERT_GE(ResultEntryCount, 5);
  TapRow(0);
  int last = ResultEntryCount - 1;
  struct {
    UINT key;
    int row;
  } steps[] = {{VK_END, last}, {VK_HOME, 0}, {VK_NEXT, -1}, {VK_PRIOR, 0}};
  for (auto step : steps) {
    test::Key(step.key);
    int row = ListView_GetNextItem(ResultList->innerList, -1, LVNI_SELECTED);
    if (step.row >= 0) {
      EXPECT_EQ(row, step.row) << "key " << step.key;
    }
    ASSERT_GE(row, 0);
    EXPECT_EQ(SelectedEntry, ResultEntries[row]) << "key " << step.key;
    Command(IDM_COPY_WORD);
    std::u16string left = ResultList->LeftText(row);
    EXPECT_EQ(Clipboard() + u" ", left) << "key " << step.key;
  }
}

TEST_F(MainScreen, TheDropDownClosesOnAnyTapOutsideIt) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Search(u"china");
  Search(u"computer");
  RECT search, panel;
  GetWindowRect(SearchButton->window, &search);
  GetWindowRect(DefinitionFrame->window, &panel);
  RECT list;
  GetWindowRect(ResultList->innerList, &list);
  const POINT outside[] = {
      {(panel.left + panel.right) / 2, (panel.top + panel.bottom) / 2},  // the definition panel
      {list.right - 4, list.top + 8},                                     // the list's scroll bar
      {(search.left + search.right) / 2, (search.top + search.bottom) / 2},  // Search
      {4, 26 + 170},                                                       // the window itself
  };
  for (POINT p : outside) {
    TapArrow();
    ASSERT_NE(SearchBox->dropDown, nullptr);
    test::Tap(p.x, p.y);
    EXPECT_EQ(SearchBox->dropDown, nullptr) << "tap at " << p.x << ", " << p.y;
  }
  // A second tap on the arrow closes it too; Enter's search does.
  TapArrow();
  TapArrow();
  EXPECT_EQ(SearchBox->dropDown, nullptr);
  TapArrow();
  ASSERT_NE(SearchBox->dropDown, nullptr);
  SendMessageW(SearchBox->editWindow, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(SearchBox->dropDown, nullptr);
}

// The right-most column of the result count's navy ink and the left-most of the grey status
// text, in the band between the search box and the list.
void CountAndStatusColumns(int* countRight, int* statusLeft) {
  platform::Surface s = DictionaryProgram::Screen();
  *countRight = -1;
  *statusLeft = s.width();
  for (int y = 26 + 164; y < 26 + 181; ++y) {
    uint32_t background = s.pixel(1, y);
    for (int x = 2; x < s.width(); ++x) {
      uint32_t p = s.pixel(x, y);
      if (p == background) continue;
      // How much darker than the background red and blue became: navy ink (the count)
      // darkens red twice as much as blue, grey ink (the status) both alike.
      int dr = static_cast<int>((background >> 16) & 255) - static_cast<int>((p >> 16) & 255);
      int db = static_cast<int>(background & 255) - static_cast<int>(p & 255);
      if (dr > db * 3 / 2 + 2) *countRight = std::max(*countRight, x);
      else if (std::abs(dr - db) <= 3 && dr >= 20) *statusLeft = std::min(*statusLeft, x);
    }
  }
}

// Each main screen state (0: no database, 1: Simplified, 2: Traditional) with the shortest
// and the longest count.
class MainScreenStatus : public MainScreen, public ::testing::WithParamInterface<int> {};

TEST_P(MainScreenStatus, TheResultCountAndTheStatusNeverOverlap) {
  int database = GetParam();
  Prepare(database == 1, database == 2, database == 0 ? 1 : -1);
  if (database == 0) AnswerMessageBox(0);
  ASSERT_TRUE(Start());
  WCHAR longest[COUNT_TEXT_SIZE];
  ResultCountText(123456, longest);  // more than the whole list holds
  for (const WCHAR* text : {static_cast<const WCHAR*>(u"(No search results)"), static_cast<const WCHAR*>(longest)}) {
    SetLabelText(ResultLabel, text);
    InvalidateRect(MainWindow, nullptr, TRUE);
    int countRight, statusLeft;
    CountAndStatusColumns(&countRight, &statusLeft);
    ASSERT_GE(countRight, 0);
    ASSERT_LT(statusLeft, 240);
    EXPECT_LT(countRight + 2, statusLeft);
  }
  if (database == 2) {
    EXPECT_TRUE(LooksLike("result_count_long"));
  }
}

INSTANTIATE_TEST_SUITE_P(States, MainScreenStatus, ::testing::Values(0, 1, 2));

TEST_F(MainScreen, ALongFirstDefinitionShowsWhatFits) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Choose(u"G7", u"七国集团");
  EXPECT_GT(PanelInk({23, 51, 214, 107}, RGB(0, 0, 192)), 100);
  EXPECT_TRUE(LooksLike("definition_cut"));
}

TEST_F(MainScreen, ChineseInsideADefinitionIsShown) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Choose(u"computer", u"电脑");
  // "2. CL:" used to end there; the measure word follows it on the line.
  int after = 23 + static_cast<int>(test::TextExtent(u"Arial", -12, FW_NORMAL, u"CL:").cx) + 2;
  EXPECT_GT(PanelInk({after, 65, 214, 79}, RGB(0, 0, 192)), 20);
  EXPECT_TRUE(LooksLike("definition_measure_word"));
}

TEST_F(MainScreen, ANoteThatIsTheWholeDefinitionIsShownInTheList) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Search(u"xie gou");
  int row = RowOfHeadword(u"斜钩");
  ASSERT_GE(row, 0);
  EXPECT_EQ(RowText(row, 1), u"(gem)");
}

TEST_F(MainScreen, PronunciationAndDefinitionsStayInsideThePanel) {
  PrepareLearnerList();
  ASSERT_TRUE(Start());
  Choose(u"PRC", u"中华人民共和国");
  // Nothing of the pronunciation past the text's right edge, onto the frame.
  EXPECT_EQ(PanelInk({215, 35, 224, 50}, RGB(128, 128, 128)), 0);
  EXPECT_TRUE(LooksLike("definition_long_pronunciation"));
  Choose(u"fifth line", u"多");
  EXPECT_TRUE(LooksLike("definition_many_lines"));
  // Nothing of the definitions in the Previous / Next buttons' box.
  EXPECT_EQ(PanelInk({172, 107, 181, 122}, RGB(0, 0, 192)), 0);
  EXPECT_EQ(PanelInk({10, 107, 181, 122}, RGB(0, 0, 192)), 0);
}

}  // namespace
