// The word history and the earlier searches, kept in the settings file across runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/dictionary/database.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "widgets/combo_box.h"
#include "widgets/item_lists.h"
#include "widgets/picture_button.h"

using program_test::DictionaryProgram;

namespace {

std::vector<int> History() {
  std::vector<int> items;
  for (int i = 0; i < HistoryCount(); ++i) items.push_back(HistoryItem(i));
  return items;
}

std::vector<std::u16string> Searches() {
  std::vector<std::u16string> texts;
  for (int i = 0; i < SearchBox->history->count; ++i) texts.push_back(SearchBox->history->At(i));
  return texts;
}

void KeepHistoryChosen(const std::filesystem::path& folder) {
  std::ofstream(folder / "vemora.set", std::ios::binary) << "keep_history=1\n";
}

// Off at first: nothing is stored, nothing comes back, no file appears. Turned on from the
// Options menu, what there is from then on is kept; turned off, it is forgotten.
TEST_F(DictionaryProgram, KeepingHistoryIsTheUsersChoice) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  Search(u"china");
  TapRow(0);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(HistoryCount(), 0);
  EXPECT_EQ(SearchBox->history->count, 0);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "vemora.set"));

  Search(u"china");
  TapRow(0);
  Command(IDM_KEEP_HISTORY);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(History().size(), 1u);
  EXPECT_EQ(PreviousButton->enabled, 1);

  Command(IDM_KEEP_HISTORY);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(HistoryCount(), 0);
  EXPECT_EQ(SearchBox->history->count, 0);
}

// Words chosen and searches made come back at the next start, Previous ready to go back
// through them; the newest searches stay first.
TEST_F(DictionaryProgram, HistoryAndSearchesComeBackAfterARestart) {
  Prepare(true, false);
  KeepHistoryChosen(folder_);
  ASSERT_TRUE(Start());
  Search(u"china");
  TapRow(0);
  TapRow(1);
  Search(u"computer");
  TapRow(0);
  std::vector<int> shown = History();
  ASSERT_EQ(shown.size(), 3u);

  ASSERT_TRUE(Restart());
  EXPECT_EQ(History(), shown);
  EXPECT_EQ(SelectedEntry, -1);
  EXPECT_EQ(PreviousButton->enabled, 1);
  EXPECT_EQ(NextButton->enabled, 0);
  GoBack();
  EXPECT_EQ(SelectedEntry, shown[1]);
  EXPECT_EQ(Searches(), (std::vector<std::u16string>{u"computer", u"china"}));

  // A database rewritten with other entries at those indexes brings none of them back.
  std::vector<std::u16string> lines = program_test::kGbLines;
  lines.erase(lines.begin() + 1);
  std::vector<BYTE> image = program_test::DatabaseImage(lines);
  std::ofstream(folder_ / "cedict.gb.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  ASSERT_TRUE(Restart());
  EXPECT_EQ(HistoryCount(), 0);
  EXPECT_EQ(PreviousButton->enabled, 0);
  EXPECT_EQ(Searches().size(), 2u);
}

// A database switch empties the history, also for the next start; a history kept for one
// database never shows on the other.
TEST_F(DictionaryProgram, ADatabaseSwitchClearsTheKeptHistory) {
  Prepare(true, true);
  KeepHistoryChosen(folder_);
  ASSERT_TRUE(Start());
  Search(u"china");
  TapRow(0);
  Command(IDM_DATABASE_BIG5);
  Command(IDM_DATABASE_GB);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(CurrentDatabase, 1);
  EXPECT_EQ(HistoryCount(), 0);

  Search(u"china");
  TapRow(0);
  std::ofstream(folder_ / "vemora.opt", std::ios::binary | std::ios::trunc)
      .write("\1\0\0\0\0\0\0\0\0\0\0\0\2\0\0\0\0\0\0\0", 20);
  ASSERT_TRUE(Restart());
  EXPECT_EQ(CurrentDatabase, 2);
  EXPECT_EQ(HistoryCount(), 0);
}

// Kept words that are not numbers, lie outside the table or name another headword are
// dropped; the valid ones come back.
TEST_F(DictionaryProgram, BadKeptWordsAreDropped) {
  Prepare(true, false);
  std::ofstream(folder_ / "vemora.set", std::ios::binary)
      << "keep_history=1\nhistory.database=1\nhistory=abc 99999:中 -1:中 0:吃 3:吃 x3:吃 3:吃 1:中国\nsearches=\t\thello\t\n";
  ASSERT_TRUE(Start());
  EXPECT_EQ(History(), (std::vector<int>{3, 1}));
  EXPECT_EQ(Searches(), (std::vector<std::u16string>{u"hello"}));
}

}  // namespace
