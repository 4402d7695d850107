#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "device/definition/definition_view.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/shell/about_window.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "device/shell/start_up.h"
#include "platform/gdi_bridge.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "tests/support/pixels.h"
#include "widgets/combo_box.h"
#include "widgets/picture_button.h"
#include "widgets/text_button.h"

using program_test::DictionaryProgram;

namespace {

int32_t OptionAt(const std::vector<BYTE>& file, int index) {
  int32_t v = 0;
  if (file.size() >= static_cast<size_t>(index * 4 + 4)) std::memcpy(&v, file.data() + index * 4, 4);
  return v;
}

int EntryOf(const std::u16string& headword) {
  for (int i = 0; i < EntryTable.Count; ++i) {
    const WCHAR* text = EntryTable.Entries[i] + 1;
    if (std::u16string(text).rfind(headword + u" ", 0) == 0) return i;
  }
  return -1;
}

int RowOf(int entry) {
  for (int r = 0; r < ResultEntryCount; ++r)
    if (ResultEntries[r] == entry) return r;
  return -1;
}

TEST_F(DictionaryProgram, SearchChooseAndCopy) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(IsWindowEnabled(SearchButton->window) && SearchButton->enabled);
  Search(u"china");
  ASSERT_GE(ResultEntryCount, 2);
  int row = RowOf(EntryOf(u"中国"));
  ASSERT_GE(row, 0);
  EXPECT_LE(row, 1);  // a whole definition /China/ scores best; equal scores keep dictionary order
  WCHAR expected[48];
  wsprintfW(expected, u"(%d seach results)", ResultEntryCount);
  EXPECT_EQ(LabelText(), expected);
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_WORD) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));

  TapRow(row);
  EXPECT_EQ(SelectedEntry, EntryOf(u"中国"));
  EXPECT_EQ(std::u16string(WordText), u"中国");
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_WORD) & MF_GRAYED, 0u);
  EXPECT_TRUE(test::MatchesGolden("program/definition_simplified.png"));
  Command(IDM_COPY_WORD);
  EXPECT_EQ(Clipboard(), u"中国");
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"zhong1 guo2");

  // A new search empties the copy texts until a row is chosen again.
  Search(u"hello");
  EXPECT_EQ(LabelText(), u"(One search result)");
  Command(IDM_COPY_WORD);
  EXPECT_EQ(Clipboard(), u"");
  Search(u"zzzz");
  EXPECT_EQ(LabelText(), u"(No search results)");
  Search(u"   ");
  EXPECT_EQ(LabelText(), u"(No search results)");
}

TEST_F(DictionaryProgram, SearchSwitchesAndTheSearchButton) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  test::Tap(60, 178);
  test::Type(u"a");
  EXPECT_EQ(SearchButton->enabled, 1);
  test::Key(VK_BACK);
  EXPECT_EQ(SearchButton->enabled, 0);
  Command(IDM_MATCH_CASE);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_MATCH_CASE) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Search(u"china");
  EXPECT_EQ(RowOf(EntryOf(u"中国")), -1);  // "China" does not match with case
  Command(IDM_MATCH_CASE);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_MATCH_CASE) & MF_CHECKED, 0u);
  Command(IDM_MATCH_WHOLE_WORD);
  Search(u"china");
  EXPECT_EQ(RowOf(EntryOf(u"瓷器")), -1);  // chinaware is not the whole word
  EXPECT_GE(RowOf(EntryOf(u"中国")), 0);
  Command(IDM_MATCH_WHOLE_WORD);
  Command(IDM_PINYIN);
  Search(u"zhong guo");
  EXPECT_GE(RowOf(EntryOf(u"中国")), 0);
  // Enter in the search box searches too.
  SearchBox->SetText(nullptr);
  test::Tap(60, 178);
  test::Type(u"dian nao");
  test::Key(VK_RETURN);
  EXPECT_EQ(ResultEntryCount, 1);
}

TEST_F(DictionaryProgram, WordHistory) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  Search(u"china");
  ASSERT_GE(ResultEntryCount, 3);
  TapRow(0);
  TapRow(0);
  EXPECT_EQ(HistoryCount(), 1);
  TapRow(1);
  TapRow(2);
  EXPECT_EQ(HistoryCount(), 3);
  EXPECT_EQ(PreviousButton->enabled, 1);
  EXPECT_EQ(NextButton->enabled, 0);
  GoBack();
  GoBack();
  EXPECT_EQ(SelectedEntry, ResultEntries[0]);
  EXPECT_EQ(PreviousButton->enabled, 0);
  EXPECT_EQ(NextButton->enabled, 1);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("program/history_back.png"));
  // Choosing another row appends after the newest; nothing is cut off.
  Search(u"computer");
  TapRow(0);
  EXPECT_EQ(HistoryCount(), 4);
  EXPECT_EQ(HistoryCursor(), 3);
  EXPECT_EQ(NextButton->enabled, 0);
  // After a search the cursor stays on the newest: Previous shows the one before it.
  Search(u"china");
  EXPECT_EQ(SelectedEntry, -1);
  EXPECT_EQ(PreviousButton->enabled, 1);
  GoBack();
  EXPECT_EQ(SelectedEntry, HistoryItem(2));
  GoForward();
  EXPECT_EQ(SelectedEntry, HistoryItem(3));
  EXPECT_EQ(NextButton->enabled, 0);
}

TEST_F(DictionaryProgram, SwitchingDatabases) {
  Prepare(true, true);
  ASSERT_TRUE(Start());
  EXPECT_EQ(CurrentDatabase, 1);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_DATABASE_GB) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Search(u"china");
  TapRow(0);
  TapRow(1);
  Command(IDM_DATABASE_GB);  // the one in use: only re-marked
  EXPECT_EQ(HistoryCount(), 2);
  EXPECT_NE(SelectedEntry, -1);
  Command(IDM_DATABASE_BIG5);
  EXPECT_EQ(CurrentDatabase, 2);
  EXPECT_EQ(SelectedEntry, -1);
  EXPECT_EQ(ResultEntryCount, 0);
  EXPECT_EQ(HistoryCount(), 0);
  EXPECT_EQ(PreviousButton->enabled, 0);
  EXPECT_EQ(NextButton->enabled, 0);
  EXPECT_EQ(LabelText(), u"(No search results)");
  EXPECT_EQ(SearchBox->GetTextLength(), 0);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_DATABASE_GB) & MF_CHECKED, 0u);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_DATABASE_BIG5) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(OptionAt(OptionsFile(), 3), 2);
  Search(u"china");
  TapRow(RowOf(EntryOf(u"中國")));
  EXPECT_EQ(std::u16string(WordText), u"中國");
  EXPECT_TRUE(test::MatchesGolden("program/definition_traditional.png"));
}

TEST_F(DictionaryProgram, MissingDatabaseCommandChangesNothing) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  AnswerMessageBox(2);
  Command(IDM_DATABASE_BIG5);
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 1);
}

TEST_F(DictionaryProgram, DatabaseCommandDuringASearchWaitsForItsEnd) {
  Prepare(true, true);
  ASSERT_TRUE(Start());
  test::Tap(60, 178);
  test::Type(u"china");
  // Queued now, handled by the search's first message pump: the table stays until the end.
  PostMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_DATABASE_BIG5, 0), 0);
  RunSearch();
  test::RunUntilIdle();
  EXPECT_EQ(CurrentDatabase, 2);
  EXPECT_EQ(ResultEntryCount, 0);  // the switch empties the results of the old table
  EXPECT_EQ(EntryTable.Count, static_cast<LONG>(program_test::kBig5Lines.size() - 1));
}

struct ChoiceCase {
  int saved;
  bool gb, big5;
  int expected;
};

class StartUpChoice : public DictionaryProgram, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(StartUpChoice, SavedChoiceAndFilesPresent) {
  ChoiceCase c = GetParam();
  Prepare(c.gb, c.big5, c.saved);
  ASSERT_TRUE(Start());
  EXPECT_EQ(CurrentDatabase, c.expected);
  std::vector<BYTE> file = OptionsFile();
  ASSERT_EQ(file.size(), 20u);
  EXPECT_EQ(OptionAt(file, 0), 1);
  EXPECT_EQ(OptionAt(file, 3), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, StartUpChoice,
                         ::testing::Values(ChoiceCase{1, true, true, 1}, ChoiceCase{1, false, true, 2},
                                           ChoiceCase{2, true, true, 2}, ChoiceCase{2, true, false, 1},
                                           ChoiceCase{0, true, true, 1}, ChoiceCase{0, false, true, 2},
                                           ChoiceCase{7, false, true, 2}, ChoiceCase{-5, true, true, 1}));

TEST_F(DictionaryProgram, FirstStartWritesTheOptionsFile) {
  Prepare(false, true);
  ASSERT_TRUE(Start());
  std::vector<BYTE> file = OptionsFile();
  ASSERT_EQ(file.size(), 20u);
  EXPECT_EQ(OptionAt(file, 0), 1);
  EXPECT_EQ(OptionAt(file, 3), 2);
}

TEST_F(DictionaryProgram, NoDatabaseClosedRunsWithTheLink) {
  Prepare(false, false, 1);
  AnswerMessageBox(0);  // the close box: neither OK nor a database
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_TRUE(test::MatchesGolden("program/no_database.png"));
  platform::headless::ClearRecords();
  // "loaded" follows "No database " in the status font, never before 157.
  int link = 157;
  {
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -9;
    lf.lfQuality = 4;
    std::memcpy(lf.lfFaceName, u"Arial", 6 * sizeof(WCHAR));
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE before{};
    GetTextExtentPoint32W(dc, u"No database ", 12, &before);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    link = std::max(157, 115 + static_cast<int>(before.cx));
  }
  test::Tap(link + 15, 26 + 168 + 4);  // inside "loaded"
  EXPECT_EQ(ShellExecutes(u"help/edict_doc.htm"), 1);
  test::Tap(link - 1, 26 + 168 + 4);  // just left of it
  test::Tap(link + 15, 26 + 177);     // just below it
  test::Tap(link + 30, 26 + 168 + 4);  // just right of it
  EXPECT_EQ(ShellExecutes(u"help/edict_doc.htm"), 1);
  // Search reports that nothing is loaded.
  AnswerMessageBox(2);
  RunSearch();
  EXPECT_EQ(MessageBoxesAnswered(), 2);
}

TEST_F(DictionaryProgram, NoDatabaseOkOpensTheInstructionsAndEnds) {
  Prepare(false, false);
  EXPECT_EXIT(
      {
        AnswerMessageBox(2);
        Start();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DictionaryProgram, ScreenOfAnotherSize) {
  Prepare(true, false);
  OpenScreen(480, 640);
  AnswerMessageBox(2);  // Yes: start anyway
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 1);
  EXPECT_TRUE(test::MatchesGolden("program/screen_480x640.png"));
}

TEST_F(DictionaryProgram, ScreenOfAnotherSizeNoEnds) {
  Prepare(true, false);
  EXPECT_EXIT(
      {
        OpenScreen(320, 240);
        AnswerMessageBox(1);
        Start();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DictionaryProgram, MissingChineseFont) {
  Prepare(true, false);
  platform::SetFontFaceHidden(u"MS Song", true);
  AnswerMessageBox(2);  // Yes: go on without it
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 1);
}

TEST_F(DictionaryProgram, MissingChineseFontNoOpensTheInstructionsAndEnds) {
  Prepare(true, false);
  platform::SetFontFaceHidden(u"MS Song", true);
  EXPECT_EXIT(
      {
        AnswerMessageBox(1);
        Start();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DictionaryProgram, ExitWritesTheOptionsFile) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  std::filesystem::remove(folder_ / "vemora.opt");
  EXPECT_EXIT(Command(IDM_EXIT), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(OptionsFile().size(), 20u);
}

TEST_F(DictionaryProgram, SecondStartBringsTheFirstToTheFront) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  HWND first = MainWindow;
  EXPECT_FALSE(SetForegroundWindow(GetDesktopWindow()));
  test::RegisterTestClass(u"OtherProgram", DefWindowProcW);
  HWND other = CreateWindowExW(0, u"OtherProgram", u"Other", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr,
                               nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(GetForegroundWindow(), other);
  EXPECT_FALSE(InitInstance(GetModuleHandleW(nullptr), SW_SHOW));
  EXPECT_EQ(MainWindow, first);
  EXPECT_EQ(GetForegroundWindow(), first);
}

TEST_F(DictionaryProgram, DamagedDatabaseIsReportedAndNotKept) {
  Prepare(true, false);
  // Cut the Simplified database in the middle of a line.
  std::filesystem::resize_file(folder_ / "cedict.gb.dat", 61);
  AnswerMessageBox(2);
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_EQ(OptionAt(OptionsFile(), 3), 0);
}

TEST_F(DictionaryProgram, AboutWindow) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  Command(IDM_ABOUT);
  HWND about = AboutWindow();
  ASSERT_NE(about, nullptr);
  Command(IDM_ABOUT);
  EXPECT_EQ(AboutWindow(), about);
  RECT a, m;
  GetWindowRect(about, &a);
  GetWindowRect(MainWindow, &m);
  EXPECT_TRUE(EqualRect(&a, &m));
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("program/about.png"));
  // A tap inside the frame's cut-out reaches the page, not the frame.
  POINT inside{120, 26 + 120};
  HWND hit = WindowFromPoint(inside);
  EXPECT_EQ(hit, about);
  // Close.
  RECT r;
  HWND close = nullptr;
  for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    WCHAR name[32];
    GetClassNameW(c, name, 32);
    if (lstrcmpW(name, u"ButtonClassWndClass") == 0) close = c;
  }
  ASSERT_NE(close, nullptr);
  GetWindowRect(close, &r);
  test::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  test::RunUntilIdle();
  EXPECT_EQ(AboutWindow(), nullptr);
  EXPECT_FALSE(IsWindow(about));
}

TEST_F(DictionaryProgram, HelpCommandAndMenuBar) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  platform::headless::ClearRecords();
  Command(IDM_HELP);
  EXPECT_EQ(ShellExecutes(u"help/help.htm"), 1);
  // The main window ends above the menu bar.
  RECT m, bar;
  GetWindowRect(MainWindow, &m);
  GetWindowRect(MenuBar, &bar);
  EXPECT_EQ(m.bottom, bar.top);
  EXPECT_EQ(m.top, 26);
  // Tapping Tasks opens its menu.
  test::Tap(20, 310);
  EXPECT_TRUE(test::MatchesGolden("program/tasks_menu.png"));
  test::Tap(120, 100);  // elsewhere: dismissed
}

}  // namespace
