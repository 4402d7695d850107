// The whole entry: the panel's mark that senses are left out, the page a tap on the panel
// opens, its scrolling by stylus and keys, and the references that open other entries.
#include <gtest/gtest.h>

#include <fstream>

#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/dictionary/script_convert.h"
#include "device/shell/entry_page.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "widgets/frame_window.h"
#include "widgets/list_view.h"

namespace {

using program_test::DictionaryProgram;

const std::vector<std::u16string> kEntryLines = {
    u"# CEDICT test list (GB)",
    u"打 [da3] /to beat/to strike/to hit/to break/to type/to mix up/to build/to fight/to fetch/to make/"
    u"to tie up/to issue/to shoot/to calculate/to play (a game)/since; from/",
    u"中国 [Zhong1 guo2] /China/",
    u"华夏 [Hua2 xia4] /old name for China/cathay/see also 中國|中国[Zhong1 guo2] and 神州[Shen2 zhou1]/",
    u"吃 [chi1] /to eat/",
};

class WholeEntry : public DictionaryProgram {
 protected:
  void PrepareEntries() { PrepareGb(kEntryLines); }
  static void TapPanel() {
    RECT r;
    GetWindowRect(DefinitionFrame->window, &r);
    test::Tap(r.left + 60, r.top + 60);
    test::RunUntilIdle();
  }
  static void TapClose(HWND page) {
    HWND close = nullptr;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      WCHAR name[32];
      GetClassNameW(c, name, 32);
      if (lstrcmpW(name, u"ButtonClassWndClass") == 0) close = c;
    }
    ASSERT_NE(close, nullptr);
    RECT r;
    GetWindowRect(close, &r);
    test::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    test::RunUntilIdle();
  }
  // Grey ink of the "more" mark left of the Previous button, in panel coordinates.
  static int MoreMarkInk() {
    return PanelPixels({130, 108, 180, 122}, [](int r, int g, int b) {
      return r < 200 && std::abs(r - g) < 20 && std::abs(g - b) < 20;
    });
  }
};

TEST_F(WholeEntry, ThePanelMarksLeftOutSensesAndATapOpensThemAll) {
  PrepareEntries();
  ASSERT_TRUE(Start());
  TapPanel();  // the instructions: nothing to open
  EXPECT_EQ(EntryPageWindow(), nullptr);

  Choose(u"chi1");
  EXPECT_EQ(MoreMarkInk(), 0);
  Choose(u"da3");
  EXPECT_GT(MoreMarkInk(), 10);
  EXPECT_TRUE(LooksLike("definition_more"));
  platform::Surface before = Screen();

  TapPanel();
  HWND page = EntryPageWindow();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(EntryPageEntry(), 0);
  RECT p, m;
  GetWindowRect(page, &p);
  GetWindowRect(MainWindow, &m);
  EXPECT_TRUE(EqualRect(&p, &m));
  EXPECT_TRUE(LooksLike("entry_page"));

  // Sixteen senses are taller than the page: keys and a drag move through them, never
  // past either end.
  int most = EntryPageHeight() - 1;
  ASSERT_GT(most, m.bottom - m.top);
  test::Key(VK_DOWN);
  EXPECT_EQ(EntryPageScroll(), 16);
  test::Key(VK_END);
  int bottom = EntryPageScroll();
  EXPECT_GT(bottom, 16);
  test::Key(VK_NEXT);
  EXPECT_EQ(EntryPageScroll(), bottom);
  EXPECT_TRUE(LooksLike("entry_page_end"));
  test::Key(VK_HOME);
  EXPECT_EQ(EntryPageScroll(), 0);
  test::Drag(120, 250, 120, 150);
  test::RunUntilIdle();
  EXPECT_EQ(EntryPageScroll(), 100);
  test::Drag(120, 100, 120, 250);
  test::RunUntilIdle();
  EXPECT_EQ(EntryPageScroll(), 0);

  TapClose(page);
  EXPECT_EQ(EntryPageWindow(), nullptr);
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(SelectedEntry, 0);
  // The panel is as it was; the row's highlight shows that the list no longer has the focus.
  platform::Surface after = Screen();
  int differ = 0;
  for (int y = 26; y < 26 + 135; ++y)
    for (int x = 0; x < 240; ++x) differ += before.pixel(x, y) != after.pixel(x, y);
  EXPECT_EQ(differ, 0);
}

TEST_F(WholeEntry, AReferenceOpensThatEntryAndJoinsTheHistory) {
  Prepare(false, true);
  PrepareEntries();
  ASSERT_TRUE(Start());
  Choose(u"cathay");
  int start = SelectedEntry;
  TapPanel();
  ASSERT_NE(EntryPageWindow(), nullptr);
  // 中国 is in the list and tappable; 神州 is not, so it is plain text.
  POINT link;
  ASSERT_TRUE(EntryPageLinkPoint(0, &link));
  EXPECT_FALSE(EntryPageLinkPoint(1, &link));
  if (ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL)) {
    EXPECT_TRUE(LooksLike("entry_page_reference"));
  }
  ASSERT_TRUE(EntryPageLinkPoint(0, &link));
  test::Tap(link.x, link.y);
  test::RunUntilIdle();
  EXPECT_EQ(EntryPageEntry(), 1);
  EXPECT_EQ(SelectedEntry, 1);
  EXPECT_EQ(HistoryItem(HistoryCount() - 1), 1);
  TapClose(EntryPageWindow());
  GoBack();
  EXPECT_EQ(SelectedEntry, start);

  // A database switch makes the page's entries stale: it closes.
  TapPanel();
  ASSERT_NE(EntryPageWindow(), nullptr);
  Command(IDM_DATABASE_BIG5);
  EXPECT_EQ(CurrentDatabase, 2);
  EXPECT_EQ(EntryPageWindow(), nullptr);
}

}  // namespace
