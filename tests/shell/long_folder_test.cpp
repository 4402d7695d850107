// Program folders near and beyond the platform's path limit: every file is found, loaded
// and written through one limit, or the program says the path is too long; never a cut
// path, never a write past a buffer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device/dictionary/database.h"
#include "device/shell/main_window.h"
#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "device/shell/services.h"
#include "device/shell/shared_screen.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "tests/shell/program_fixture.h"

namespace fs = std::filesystem;
using program_test::DictionaryProgram;

namespace {

// A folder whose path, trailing '/' included, is exactly `length` characters, under `base`.
std::string FolderOfLength(const std::string& base, size_t length) {
  std::string path = base;
  while (path.size() < length) {
    size_t left = length - path.size();  // the component and its '/'
    size_t take = std::min<size_t>(200, left - 1);
    if (left - (take + 1) == 1) --take;  // never leave room for an empty component
    path += std::string(take, 'f') + "/";
  }
  return path;
}

void WriteDatabase(const fs::path& file) {
  std::vector<BYTE> image = program_test::DatabaseImage(program_test::kGbLines);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                              static_cast<std::streamsize>(image.size()));
}

class LongFolder : public DictionaryProgram {
 protected:
  void SetUp() override {
    DictionaryProgram::SetUp();
    base_ = (fs::temp_directory_path() / ("orlend_long_" + std::to_string(::getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string() +
            "/";
    fs::remove_all(base_);
  }
  void TearDown() override {
    fs::remove_all(base_);
    DictionaryProgram::TearDown();
  }
  // Makes the folder with a database and the libraries, and makes it the program folder.
  std::string Enter(size_t length) {
    std::string folder = FolderOfLength(base_, length);
    fs::create_directories(folder);
    WriteDatabase(folder + "cedict.gb.dat");
    for (const char* file : {"tovu.dll", "zorwen.dll"}) fs::create_symlink(folder_ / file, folder + file);
    SetProgramFolder(platform::Utf16FromUtf8(folder).c_str());
    return folder;
  }
  std::string base_;
};

// Every length from 240 to 1,100: what the presence check finds, the loader loads and the
// options go to the same folder; past the limit nothing is found, loaded or written.
TEST_F(LongFolder, EveryLengthFrom240To1100UsesOneLimit) {
  OpenScreen();
  ASSERT_LT(base_.size(), 200u);
  for (size_t length = 240; length <= 1100; ++length) {
    SCOPED_TRACE(length);
    std::string folder = Enter(length);
    bool fits = length + 13 < MAX_PATH;  // "cedict.gb.dat"
    EXPECT_EQ(ProgramFolderFits() != 0, fits);
    EXPECT_EQ(ProgramFileExists(u"cedict.gb.dat") != 0, fits);
    LoadDictionary(u"cedict.gb.dat");
    EXPECT_EQ(LoadDictionaryStatus(), fits ? LOAD_OK : LOAD_UNREADABLE);
    EXPECT_EQ(EntryTable.Count, fits ? static_cast<LONG>(program_test::kGbLines.size() - 1) : 0);
    HMODULE library = LoadProgramLibrary(u"tovu.dll");
    EXPECT_EQ(library != nullptr, length + 8 < MAX_PATH);
    if (library) FreeLibrary(library);
    EXPECT_EQ(WriteOptions() != 0, length + 10 < MAX_PATH);  // "vemora.opt"
    EXPECT_EQ(fs::exists(folder + "vemora.opt"), length + 10 < MAX_PATH);
    PlayUiSound(0);
    OpenHelpPage(nullptr, u"help/install_dict.htm");
    if (length == 600) fs::remove_all(base_);  // keeps the tree small
  }
  FreeDictionary();
}

// The program started from such folders: below the limit it loads its database without a
// word; beyond it, it says the path is too long and ends before it makes or writes anything.
class LongFolderStart : public LongFolder, public ::testing::WithParamInterface<size_t> {};

TEST_P(LongFolderStart, LoadsOrSaysThePathIsTooLong) {
  size_t length = GetParam();
  std::string folder = Enter(length);
  AnswerMessageBox(2);
  platform::headless::ClearRecords();
  MainWindow = nullptr;
  bool started = Start();
  int toolkitBoxes = MessageBoxesAnswered();
  int refusals = 0;
  for (const auto& r : platform::headless::Records())
    if (r.call == "MessageBox" && r.text.find(u"too long") != std::u16string::npos) ++refusals;
  if (length + 13 < MAX_PATH) {
    EXPECT_TRUE(started);
    EXPECT_EQ(toolkitBoxes, 0);
    EXPECT_EQ(CurrentDatabase, 1);
    EXPECT_EQ(EntryTable.Count, static_cast<LONG>(program_test::kGbLines.size() - 1));
    EXPECT_EQ(refusals, 0);
  } else {
    EXPECT_FALSE(started);
    EXPECT_EQ(toolkitBoxes, 0);  // not "damaged", not "not found"
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(MainWindow, nullptr);
    EXPECT_FALSE(fs::exists(folder + "vemora.opt"));
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongFolderStart,
                         ::testing::Values(240, 246, 247, 260, 300, 506, 507, 513, 519, 520, 1100));

}  // namespace
