#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <string>

#include "device/definition/definition_view.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/shell/about_window.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "device/shell/start_up.h"
#include "platform/commctrl.h"
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
  EXPECT_TRUE(LooksLike("start"));
  Search(u"china");
  ASSERT_GE(ResultEntryCount, 2);
  int row = RowOf(EntryOf(u"中国"));
  ASSERT_GE(row, 0);
  EXPECT_LE(row, 1);  // a whole definition /China/ scores best; equal scores keep dictionary order
  WCHAR expected[48];
  wsprintfW(expected, u"(%d seach results)", ResultEntryCount);
  EXPECT_EQ(LabelText(), expected);
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_WORD) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_TRUE(LooksLike("search_results"));

  TapRow(row);
  EXPECT_EQ(SelectedEntry, EntryOf(u"中国"));
  EXPECT_EQ(std::u16string(WordText), u"中国");
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_WORD) & MF_GRAYED, 0u);
  EXPECT_TRUE(LooksLike("definition_simplified"));
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

// Copy Entry copies the word shown as one line, every definition in it; it is greyed
// with the other copy commands while no word is shown.
TEST_F(DictionaryProgram, CopyEntry) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_ENTRY) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  Search(u"centre");
  TapRow(RowOf(EntryOf(u"中")));
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_ENTRY) & MF_GRAYED, 0u);
  Command(IDM_COPY_ENTRY);
  EXPECT_EQ(Clipboard(), u"中 [zhong1] middle; centre; China");
  Search(u"king");
  TapRow(RowOf(EntryOf(u"王")));
  Command(IDM_COPY_ENTRY);
  EXPECT_EQ(Clipboard(), u"王 [Wang2] (surname) Wang; king");
  // Previous copies the word it brings back.
  GoBack();
  Command(IDM_COPY_ENTRY);
  EXPECT_EQ(Clipboard(), u"中 [zhong1] middle; centre; China");
  Search(u"hello");
  EXPECT_EQ(MenuState(IDM_TASKS_BUTTON, IDM_COPY_ENTRY) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
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
  EXPECT_TRUE(LooksLike("history_back"));
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
  EXPECT_TRUE(LooksLike("definition_traditional"));
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
  platform::Surface box;
  AnswerMessageBox(0, 200, &box);  // the close box: neither OK nor a database
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_TRUE(LooksLike("box_no_database", box));
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_TRUE(LooksLike("no_database"));
  platform::headless::ClearRecords();
  // "loaded" follows "No database " in the status font, never before 157.
  int link = std::max(157, 115 + static_cast<int>(test::TextExtent(u"Arial", -9, FW_NORMAL, u"No database ").cx));
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
  EXPECT_TRUE(LooksLike("about"));
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
  // Tapping Tasks opens its menu; a tap elsewhere closes it and leaves nothing of it behind
  // (the empty result list holds its painting back until the first search).
  platform::Surface closed = Screen(), open;
  During(100, [&] {
    open = Screen();
    test::ScheduleTap(50, 120, 100);
  });
  test::Tap(20, 310);
  EXPECT_TRUE(LooksLike("tasks_menu", open));
  EXPECT_TRUE(test::MatchesGolden("program/start.png", Screen()));
  EXPECT_TRUE(test::MatchesGolden("program/start.png", closed));

  // The Options menu shows the switches and the database in use checked.
  Command(IDM_MATCH_CASE);
  RECT options{};
  SendMessageW(MenuBar, TB_GETRECT, IDM_OPTIONS_BUTTON, reinterpret_cast<LPARAM>(&options));
  MapWindowPoints(MenuBar, nullptr, reinterpret_cast<POINT*>(&options), 2);
  During(100, [&] {
    open = Screen();
    test::ScheduleKey(50, VK_ESCAPE);
  });
  test::Tap((options.left + options.right) / 2, (options.top + options.bottom) / 2);
  EXPECT_TRUE(LooksLike("options_menu", open));
}

TEST_F(DictionaryProgram, SearchBoxOffersEarlierSearches) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  for (const char16_t* text : {u"china", u"hello", u"china", u"computer", u"computer"}) Search(text);
  RECT combo;
  GetWindowRect(SearchBox->comboWindow, &combo);
  test::Tap(combo.right - 8, (combo.top + combo.bottom) / 2);  // the arrow
  ASSERT_NE(SearchBox->dropDown, nullptr);
  // Newest first; a search repeated at once is kept once, an older equal one stays.
  std::vector<std::u16string> offered;
  int count = static_cast<int>(SendMessageW(SearchBox->dropDownList, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    WCHAR item[64] = {};
    SendMessageW(SearchBox->dropDownList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
    offered.push_back(item);
  }
  EXPECT_EQ(offered, (std::vector<std::u16string>{u"computer", u"china", u"hello", u"china"}));
  EXPECT_TRUE(LooksLike("search_history"));
  // Choosing one puts it in the box, ready to search again.
  RECT item{};
  SendMessageW(SearchBox->dropDownList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  MapWindowPoints(SearchBox->dropDownList, nullptr, reinterpret_cast<POINT*>(&item), 2);
  test::Tap((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  EXPECT_EQ(SearchBox->dropDown, nullptr);
  WCHAR text[257] = {};
  SearchBox->GetText(text);
  EXPECT_EQ(std::u16string(text), u"hello");
  ASSERT_EQ(SearchBox->history->count, 4);
  EXPECT_EQ(std::u16string(SearchBox->history->first->text), u"hello");  // moved to the front
  EXPECT_EQ(SearchButton->enabled, 1);
  RECT search;
  GetWindowRect(SearchButton->window, &search);
  test::Tap((search.left + search.right) / 2, (search.top + search.bottom) / 2);
  EXPECT_EQ(LabelText(), u"(One search result)");
}

HWND ChildOfClass(HWND parent, const WCHAR* className) {
  for (HWND c = parent ? GetWindow(parent, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT)) {
    WCHAR name[32];
    GetClassNameW(c, name, 32);
    if (lstrcmpW(name, className) == 0) return c;
  }
  return nullptr;
}

// Watches a search from inside it: the first message pump of RunSearch dispatches a message
// posted just before it, with the progress window already open; from then on the bar's own
// messages tell how far the search is.
struct SearchWatch {
  static SearchWatch* current;
  std::vector<int> positions;
  platform::Surface shot;
  int searchEnabledDuring = -1;
  WNDPROC barProc = nullptr;

  static LRESULT CALLBACK Bar(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SearchWatch* w = current;
    if (message == PBM_SETPOS) w->positions.push_back(static_cast<int>(wParam));
    LRESULT r = CallWindowProcW(w->barProc, hwnd, message, wParam, lParam);
    if (message == WM_PAINT && w->shot.width() == 0 && SendMessageW(hwnd, PBM_GETPOS, 0, 0) >= 40) {
      w->searchEnabledDuring = SearchButton->enabled;
      w->shot = DictionaryProgram::Screen();
    }
    return r;
  }
  static LRESULT CALLBACK Watcher(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      HWND bar = ChildOfClass(ChildOfClass(MainWindow, u"PWClass"), u"msctls_progress32");
      if (bar)
        current->barProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SearchWatch::Bar)));
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};
SearchWatch* SearchWatch::current = nullptr;

// KiB of this process's mapping of the kept Simplified table that are resident.
long TableResidentKiB() {
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool table = false;
  long kib = 0;
  while (std::getline(smaps, line)) {
    size_t dash = line.find('-'), space = line.find(' ');
    if (isxdigit(static_cast<unsigned char>(line[0])) && !isupper(static_cast<unsigned char>(line[0])) &&
        dash < space) {
      const std::string end = "/cedict.gb.dat.table";
      table = line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0;
    } else if (table && line.rfind("Rss:", 0) == 0) {
      kib += atol(line.c_str() + 4);
    }
  }
  return kib;
}

// The kept table is mapped with nothing read in; the pages a search reads in are given back
// once the program has been left alone for half a minute, and the next search finds the same.
TEST_F(DictionaryProgram, LeftAloneItGivesBackTheTablesPages) {
  PrepareLarge(20000);
  ASSERT_TRUE(Start());    // parses the database and keeps its table
  ASSERT_TRUE(Restart());  // maps the kept table
  EXPECT_EQ(TableResidentKiB(), 0);
  Search(u"china");
  const int found = ResultEntryCount;
  EXPECT_GE(found, 1);
  EXPECT_GT(TableResidentKiB(), 0);
  test::Advance(25000);
  EXPECT_GT(TableResidentKiB(), 0);
  test::Advance(6000);
  EXPECT_EQ(TableResidentKiB(), 0);
  Search(u"china");
  EXPECT_EQ(ResultEntryCount, found);
  EXPECT_GE(RowOf(EntryOf(u"中国")), 0);
}

TEST_F(DictionaryProgram, ALongSearchShowsItsProgress) {
  PrepareLarge(6000);
  ASSERT_TRUE(Start());
  ASSERT_EQ(EntryTable.Count, 6010);
  test::Tap(60, 178);
  test::Type(u"china");
  SearchWatch watch;
  SearchWatch::current = &watch;
  test::RegisterTestClass(u"SearchWatch", &SearchWatch::Watcher);
  HWND watcher = CreateWindowExW(0, u"SearchWatch", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  PostMessageW(watcher, WM_APP, 0, 0);  // a tap would dispatch it before its own input
  RunSearch();
  test::RunUntilIdle();
  DestroyWindow(watcher);
  SearchWatch::current = nullptr;

  ASSERT_NE(watch.barProc, nullptr) << "no progress window during the search";
  // One report per thousand entries after the first, in percent of the whole table.
  EXPECT_EQ(watch.positions, (std::vector<int>{16, 33, 49, 66, 83, 99}));
  EXPECT_EQ(watch.searchEnabledDuring, 0);
  EXPECT_TRUE(LooksLike("search_progress", watch.shot));
  // Closed at the end; the results and the button are back.
  EXPECT_EQ(ChildOfClass(MainWindow, u"PWClass"), nullptr);
  EXPECT_EQ(SearchButton->enabled, 1);
  EXPECT_GE(ResultEntryCount, 2);
  EXPECT_GE(RowOf(EntryOf(u"中国")), 0);
}

}  // namespace
