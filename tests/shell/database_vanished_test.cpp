// A database that the start-up check found and that is gone, or unreadable, by the time
// it is loaded: the program says so, keeps no table and goes on with no database; the
// other database still loads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "platform/file_faults.h"
#include "platform/gdi_bridge.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "tests/support/memory_limit.h"

using program_test::DictionaryProgram;

namespace {

int32_t SavedDatabase(const std::vector<BYTE>& file) {
  int32_t v = -1;
  if (file.size() >= 16) std::memcpy(&v, file.data() + 12, 4);
  return v;
}

class DatabaseVanished : public DictionaryProgram {
 protected:
  void TearDown() override {
    platform::ClearFileFaults();
    DictionaryProgram::TearDown();
  }
  // A search on whatever table there is: the number of results, and it ends.
  int ResultsFor(const std::u16string& text) {
    Search(text);
    return ResultEntryCount;
  }
  // Without a database a search is refused with a message: one more box answered.
  bool SearchIsRefused() {
    int before = MessageBoxesAnswered();
    AnswerMessageBox(2);
    Search(u"china");
    return MessageBoxesAnswered() == before + 1 && ResultEntryCount == 0;
  }
};

// Start-up finds the Simplified database; while its missing-font warning waits for an
// answer, the file is deleted. The load that follows finds nothing.
TEST_F(DatabaseVanished, RemovedAfterTheStartUpCheckIsReportedAndNoTableIsKept) {
  Prepare(true, false);
  platform::SetFontFaceHidden(u"MS Song", true);  // a box between the check and the load
  During(100, [this] { std::filesystem::remove(folder_ / "cedict.gb.dat"); });
  AnswerMessageBox(2, 200);  // the font warning: go on
  AnswerMessageBox(2, 400);  // the database cannot be read: OK
  ASSERT_TRUE(Start());
  EXPECT_EQ(MessageBoxesAnswered(), 2);
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_EQ(SavedDatabase(OptionsFile()), 0);
  EXPECT_TRUE(SearchIsRefused());
}

// Present at start-up, then a read error in the middle of the load.
TEST_F(DatabaseVanished, AReadErrorDuringTheStartUpLoadIsReportedAndNoTableIsKept) {
  Prepare(true, false);
  platform::FileFaults faults;
  faults.pathContains = "cedict.gb.dat";
  faults.readBudget = 100;
  platform::SetFileFaults(faults);
  AnswerMessageBox(2);
  ASSERT_TRUE(Start());
  platform::ClearFileFaults();
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_TRUE(SearchIsRefused());
}

// Both databases were there at start-up; the Traditional one is deleted before the user
// chooses it. The choice is reported and leaves no table; choosing Simplified again works.
TEST_F(DatabaseVanished, RemovedBeforeTheDatabaseCommandIsReportedAndTheOtherStillLoads) {
  Prepare(true, true, 1);
  ASSERT_TRUE(Start());
  ASSERT_EQ(CurrentDatabase, 1);
  ASSERT_GT(ResultsFor(u"china"), 0);
  std::filesystem::remove(folder_ / "cedict.b5.dat");
  AnswerMessageBox(2);
  Command(IDM_DATABASE_BIG5);
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(SavedDatabase(OptionsFile()), 0);
  EXPECT_TRUE(SearchIsRefused());

  Command(IDM_DATABASE_GB);
  EXPECT_EQ(MessageBoxesAnswered(), 2);
  EXPECT_EQ(CurrentDatabase, 1);
  EXPECT_EQ(EntryTable.Count, static_cast<LONG>(program_test::kGbLines.size() - 1));
  EXPECT_GT(ResultsFor(u"china"), 0);
}

}  // namespace

// A database larger than the memory left: the load says there is not enough memory (not
// "damaged"), keeps no table, and the saved choice stays for a start with more memory.
TEST_F(DatabaseVanished, AnOutOfMemoryLoadSaysSoAndKeepsTheSavedChoice) {
  Prepare(true, false, 1);
  std::filesystem::resize_file(folder_ / "cedict.gb.dat", std::uintmax_t{1} << 30);  // sparse: no disk taken
  platform::Surface box;
  AnswerMessageBox(2, 200, &box);
  {
    test::MemoryLimit limit(std::size_t{256} << 20);
    ASSERT_TRUE(limit.ok());
    ASSERT_TRUE(Start());
  }
  EXPECT_EQ(MessageBoxesAnswered(), 1);
  EXPECT_TRUE(LooksLike("box_no_memory", box));
  EXPECT_EQ(CurrentDatabase, 0);
  EXPECT_EQ(EntryTable.Count, 0);
  EXPECT_EQ(SavedDatabase(OptionsFile()), 1);
}
