// The learner's search options of the Options menu: Best Matches First and Search As You
// Type, off at first, kept in the settings file, through the program's own input path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/dictionary/database.h"
#include "device/dictionary/script_convert.h"
#include "device/dictionary/search_driver.h"
#include "device/dictionary/word_frequency.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "widgets/combo_box.h"
#include "widgets/text_button.h"

using program_test::DictionaryProgram;

namespace {

std::u16string Headword(int row) {
  const WCHAR* text = EntryTable.Entries[ResultEntries[row]] + 1;
  int n = 0;
  while (text[n] && text[n] != u' ') n++;
  return std::u16string(text, static_cast<size_t>(n));
}

std::vector<std::u16string> Rows() {
  std::vector<std::u16string> rows;
  for (int r = 0; r < ResultEntryCount; r++) rows.push_back(Headword(r));
  return rows;
}

std::string SettingsText(const std::filesystem::path& folder) {
  std::ifstream in(folder / "vemora.set", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SearchOptions : public DictionaryProgram {
 protected:
  void SetUp() override {
    DictionaryProgram::SetUp();
    // The program folder's own list, read afresh: 美丽 is more common than 中.
    SetWordFrequencyText(nullptr, 0);
  }
  void TearDown() override {
    SetWordFrequencyText(nullptr, 0);
    DictionaryProgram::TearDown();
  }
  void WriteFrequencies() { std::ofstream(folder_ / "wordfreq.txt", std::ios::binary) << "中国\t900\n中国人\t50\n"; }
  bool Checked(UINT id) { return (MenuState(IDM_OPTIONS_BUTTON, id) & MF_CHECKED) != 0; }
};

TEST_F(SearchOptions, BestMatchesFirstIsOffAtFirstKeptWhenChosenAndListsTheLongerWords) {
  Prepare(true, false);
  WriteFrequencies();
  ASSERT_TRUE(Start());
  EXPECT_FALSE(Checked(IDM_BEST_MATCHES));
  // The search's own order: "china" is a whole sense of 中 and of 中国 alike, 中 first.
  Search(u"china");
  EXPECT_EQ(Rows().at(0), u"中");
  Search(u"中国");
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"中国"}));

  Command(IDM_BEST_MATCHES);
  EXPECT_TRUE(Checked(IDM_BEST_MATCHES));
  Search(u"china");
  EXPECT_EQ(Rows().at(0), u"中国");
  Search(u"中国");
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"中国", u"中国人"}));
  EXPECT_EQ(LabelText(), u"(2 seach results)");

  ASSERT_TRUE(Restart());
  EXPECT_TRUE(Checked(IDM_BEST_MATCHES));
  EXPECT_NE(SettingsText(folder_).find("best_matches=1\n"), std::string::npos);
  Command(IDM_BEST_MATCHES);
  ASSERT_TRUE(Restart());
  EXPECT_FALSE(Checked(IDM_BEST_MATCHES));
  EXPECT_EQ(SettingsText(folder_).find("best_matches"), std::string::npos);

  // Only "1" turns an option on.
  std::ofstream(folder_ / "vemora.set", std::ios::binary) << "best_matches=yes\nsearch_as_you_type=11\n";
  ASSERT_TRUE(Restart());
  EXPECT_FALSE(Checked(IDM_BEST_MATCHES));
  EXPECT_FALSE(Checked(IDM_SEARCH_AS_YOU_TYPE));
}

TEST_F(SearchOptions, AQueryInTheOtherScriptIsFoundAndTheCountSaysHow) {
  if (!ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL)) GTEST_SKIP() << "OpenCC is not installed";
  Prepare(false, true);
  ASSERT_TRUE(Start());
  ASSERT_EQ(CurrentDatabase, 2);
  Search(u"中国");
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"中國"}));
  EXPECT_EQ(LabelText(), u"(1 found as 中國)");
  // The box keeps the text as typed.
  WCHAR typed[16] = {};
  SearchBox->GetText(typed);
  EXPECT_EQ(std::u16string(typed), u"中国");
  EXPECT_TRUE(LooksLike("search_converted"));
}

// Scripted keys, virtual time: nothing before the pause is over, the list after it; the
// searches made this way stay out of the box's list of earlier searches.
TEST_F(SearchOptions, SearchAsYouTypeFollowsTheBoxAfterAPause) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  EXPECT_FALSE(Checked(IDM_SEARCH_AS_YOU_TYPE));
  Command(IDM_SEARCH_AS_YOU_TYPE);
  test::Tap(60, 178);
  test::Type(u"chin");
  test::Advance(100);
  EXPECT_EQ(LabelText(), u"(No search results)");
  test::Type(u"a");
  test::Advance(100);
  EXPECT_EQ(LabelText(), u"(No search results)");  // the pause starts again at each key
  test::Advance(60);
  EXPECT_GE(ResultEntryCount, 2);
  EXPECT_EQ(SearchBox->history->count, 0);
  EXPECT_EQ(GetFocus(), SearchBox->editWindow);

  ASSERT_TRUE(Restart());
  EXPECT_TRUE(Checked(IDM_SEARCH_AS_YOU_TYPE));
  Command(IDM_SEARCH_AS_YOU_TYPE);
  test::Tap(60, 178);
  test::Type(u"china");
  test::Advance(500);
  EXPECT_EQ(LabelText(), u"(No search results)");
}

// A key during a long search: the pause that follows cancels it, its rows are dropped, and
// the search for the new text runs once it has ended; the table is never changed under it.
struct TypingWatch {
  static LRESULT CALLBACK Watcher(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      SearchBox->SetText(u"computer");
      SendMessageW(MainWindow, WM_TIMER, 1, 0);  // the pause ends while the search runs
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

TEST_F(SearchOptions, TypingDuringALongSearchCancelsIt) {
  PrepareLarge(6000);
  std::ofstream(folder_ / "vemora.set", std::ios::binary) << "search_as_you_type=1\n";
  ASSERT_TRUE(Start());
  test::Tap(60, 178);
  test::Type(u"china");
  test::RegisterTestClass(u"TypingWatch", &TypingWatch::Watcher);
  HWND watcher = CreateWindowExW(0, u"TypingWatch", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  // As the pause's timer would start it; its first message pump dispatches the watcher's message.
  PostMessageW(watcher, WM_APP, 0, 0);
  const DictionaryEntry* const* table = EntryTable.Entries;
  RunSearchAsTyped();
  DestroyWindow(watcher);
  EXPECT_EQ(EntryTable.Entries, table);
  EXPECT_EQ(ResultEntryCount, 0);
  EXPECT_EQ(LabelText(), u"(No search results)");
  test::Advance(200);
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"电脑"}));
  EXPECT_EQ(SearchRunning(), 0);
}

}  // namespace
