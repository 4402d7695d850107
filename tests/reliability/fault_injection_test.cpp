// Disks that fill up, reads that fail midway and databases that vanish or are cut
// before they are loaded. In every case: a failure is reported, whatever file
// the user had is still there whole, and nothing crashes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "installer/convert_cedict.h"
#include "installer/convert_dictionary.h"
#include "platform/file_faults.h"
#include "platform/utf.h"
#include "tests/installer/installer_test_files.h"

namespace fs = std::filesystem;
using installer_test::ReadBytes;
using installer_test::Recorder;
using installer_test::WriteBytes;

namespace {

fs::path Folder(const std::string& name)
{
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "reliability" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::u16string Wide(const fs::path& path) { return platform::Utf16FromUtf8(path.string()); }

// What is in a folder besides the given names: leftovers of a failed write.
std::set<std::string> Leftovers(const fs::path& folder, const std::set<std::string>& expected)
{
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (!expected.count(name)) names.insert(name);
  }
  return names;
}

platform::FileFaults Faults(const std::string& path, long long writeBudget, long long readBudget = -1)
{
  platform::FileFaults faults;
  faults.pathContains = path;
  faults.writeBudget = writeBudget;
  faults.readBudget = readBudget;
  return faults;
}

struct FaultsOff {
  ~FaultsOff() { platform::ClearFileFaults(); }
};

// Budgets around every place a write or read can stop: the start, the first
// bytes, the buffer and chunk edges, the end, and steps between.
std::vector<long long> Budgets(long long size, long long step)
{
  std::set<long long> budgets = {0, 1, 2, 3, 4, 5};
  for (long long edge = 65536; edge < size + 65536; edge += 65536)
    for (long long d = -1; d <= 1; d++) budgets.insert(edge + d);
  for (long long d = -5; d <= 5; d++) budgets.insert(size + d);
  for (long long b = 0; b < size; b += step) budgets.insert(b);
  std::vector<long long> out;
  for (long long b : budgets)
    if (b >= 0) out.push_back(b);
  return out;
}

}  // namespace

// ---------------------------------------------------------------- options file

class OptionsFaults : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder_ = Folder(std::string("options-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    SetProgramFolder(Wide(folder_ / "").c_str());
    for (LONG& option : Options) option = 0;
  }
  void TearDown() override { platform::ClearFileFaults(); }
  fs::path folder_;
};

TEST_F(OptionsFaults, AWriteStoppedAtAnyByteKeepsTheOldFile)
{
  const std::string old = std::string("\x01\0\0\0\x07\0\0\0\0\0\0\0\x02\0\0\0\x09\0\0\0", 20);
  for (long long budget = 0; budget <= 21; budget++) {
    SCOPED_TRACE("write budget " + std::to_string(budget));
    WriteBytes(folder_ / "vemora.opt", old);
    ReadOptions();
    FaultsOff off;
    platform::SetFileFaults(Faults("vemora", budget));
    Options[OPTION_DATABASE] = 1;
    int result = WriteOptions();
    platform::ClearFileFaults();
    std::string now = ReadBytes(folder_ / "vemora.opt");
    if (budget < 20) {
      EXPECT_EQ(0, result);
      EXPECT_EQ(old, now);
    } else {
      EXPECT_EQ(1, result);
      EXPECT_EQ(std::string("\x01\0\0\0\x07\0\0\0\0\0\0\0\x01\0\0\0\x09\0\0\0", 20), now);
    }
    EXPECT_EQ(1, GetOption(OPTION_DATABASE));  // memory keeps the choice either way
    EXPECT_EQ(std::set<std::string>{}, Leftovers(folder_, {"vemora.opt"}));
  }
}

TEST_F(OptionsFaults, AFirstStartOnAFullDiskLeavesNoFileAndZeros)
{
  FaultsOff off;
  for (long long budget : {0, 5, 19}) {
    platform::SetFileFaults(Faults("vemora", budget));
    Options[OPTION_DATABASE] = 2;
    ReadOptions();
    for (int i = 0; i < OPTION_COUNT; i++) EXPECT_EQ(0, GetOption(i)) << budget;
    EXPECT_FALSE(fs::exists(folder_ / "vemora.opt")) << budget;
    EXPECT_EQ(std::set<std::string>{}, Leftovers(folder_, {})) << budget;
  }
}

// A read that fails midway counts as no read at all: the record keeps its
// defaults for this run, and the file, never rewritten, is whole for the next.
TEST_F(OptionsFaults, AReadErrorMidwayKeepsTheDefaultsAndTheFile)
{
  std::string bytes;
  for (int i = 0; i < 20; i++) bytes += (char)(0x11 * (i % 15 + 1));
  WriteBytes(folder_ / "vemora.opt", bytes);
  FaultsOff off;
  for (long long budget = 0; budget < 20; budget++) {
    SCOPED_TRACE("read budget " + std::to_string(budget));
    for (LONG& option : Options) option = 0;
    platform::SetFileFaults(Faults("vemora", -1, budget));
    ReadOptions();
    platform::ClearFileFaults();
    for (int i = 0; i < OPTION_COUNT; i++) EXPECT_EQ(0, GetOption(i)) << "field " << i;
    EXPECT_EQ(bytes, ReadBytes(folder_ / "vemora.opt"));
  }
  ReadOptions();
  EXPECT_EQ((LONG)0x44332211, GetOption(0));
}

// ---------------------------------------------------------------- the fault layer itself

// A read budget is the bytes that may still be read: a read that finds the end
// of the file transfers nothing and must not use up what is left.
TEST(FileFaults, AReadAtTheEndCostsNoBudget)
{
  fs::path folder = Folder("faults-budget");
  WriteBytes(folder / "ten", "0123456789");
  FaultsOff off;
  platform::SetFileFaults(Faults("ten", -1, 64));
  HANDLE file = CreateFileW(Wide(folder / "ten").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  char buffer[64];
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(10u, read);
  // 54 bytes of the budget are left; the end of the file is no read error.
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(0u, read);
  CloseHandle(file);
}

// ---------------------------------------------------------------- conversion

namespace {

// A GB word list of many lines, long enough to cross the 64 KB buffers twice.
std::string GbSource()
{
  std::string source = "# CC-CEDICT test list\r\n";
  for (int i = 0; i < 6000; i++)
    source += "\xD6\xD0\xB9\xFA" + std::string(" [zhong1 guo2] /China ") + std::to_string(i) + "/\r\n";
  return source;
}

struct Outcome {
  int result;
  std::vector<std::string> events;
};

Outcome ConvertGb(const fs::path& source, const platform::FileFaults& faults)
{
  Recorder recorder;
  ConversionHooks hooks = recorder.Hooks();
  installer_test::PathBuffer buffer(source);
  FaultsOff off;
  platform::SetFileFaults(faults);
  int result = ConvertDictionaryWith(buffer.units, &hooks);
  platform::ClearFileFaults();
  if (result == 0) {
    EXPECT_EQ(source.string(), buffer.Utf8()) << "the path buffer stays as it was";
  }
  return {result, recorder.events};
}

}  // namespace

TEST(ConversionFaults, TheDiskFillingAtAnyPointKeepsTheOlderDatabase)
{
  fs::path folder = Folder("convert-full");
  fs::path source = folder / "cedict.gb";
  WriteBytes(source, GbSource());
  ASSERT_EQ(1, ConvertGb(source, {}).result);
  const std::string complete = ReadBytes(folder / "cedict.gb.dat");
  const std::string old = "an older database";

  // The placeholder, the lines and then the count over the placeholder: a budget
  // of the whole file still fails at that last write.
  long long size = (long long)complete.size();
  for (long long budget : Budgets(size + 4, 9973)) {
    SCOPED_TRACE("write budget " + std::to_string(budget) + " of " + std::to_string(size + 4));
    WriteBytes(folder / "cedict.gb.dat", old);
    Outcome outcome = ConvertGb(source, Faults("cedict.gb.dat", budget));
    if (budget < size + 4) {
      EXPECT_EQ(0, outcome.result);
      ASSERT_FALSE(outcome.events.empty());
      EXPECT_EQ("failed " + platform::Utf8FromUtf16(CONVERT_CANNOT_WRITE), outcome.events.back());
      EXPECT_EQ(old, ReadBytes(folder / "cedict.gb.dat"));
    } else {
      EXPECT_EQ(1, outcome.result);
      EXPECT_EQ(complete, ReadBytes(folder / "cedict.gb.dat"));
    }
    EXPECT_EQ(std::set<std::string>{}, Leftovers(folder, {"cedict.gb", "cedict.gb.dat"}));
  }
}

TEST(ConversionFaults, AReadErrorAnywhereInTheSourceKeepsTheOlderDatabase)
{
  fs::path folder = Folder("convert-read");
  fs::path source = folder / "cedict.gb";
  const std::string bytes = GbSource();
  WriteBytes(source, bytes);
  ASSERT_EQ(1, ConvertGb(source, {}).result);
  const std::string complete = ReadBytes(folder / "cedict.gb.dat");
  const std::string old = "an older database";

  long long size = (long long)bytes.size();
  for (long long budget : Budgets(size, 7919)) {
    SCOPED_TRACE("read budget " + std::to_string(budget) + " of " + std::to_string(size));
    WriteBytes(folder / "cedict.gb.dat", old);
    Outcome outcome = ConvertGb(source, Faults("cedict.gb", -1, budget));
    std::string now = ReadBytes(folder / "cedict.gb.dat");
    // A budget at or past the end may still fail the read that finds the end
    // (see FileFaults.AReadAtTheEndCostsNoBudget); either way the database is
    // the old one or the complete new one.
    if (budget < size) {
      EXPECT_EQ(0, outcome.result);
      ASSERT_FALSE(outcome.events.empty());
      EXPECT_EQ("failed " + platform::Utf8FromUtf16(CONVERT_CANNOT_READ), outcome.events.back());
    }
    EXPECT_EQ(outcome.result ? complete : old, now);
    EXPECT_EQ(std::set<std::string>{}, Leftovers(folder, {"cedict.gb", "cedict.gb.dat"}));
  }
}

TEST(ConversionFaults, TheUtf8ListReplacesBothDatabasesOrNeither)
{
  fs::path folder = Folder("convert-utf8");
  std::string source = "# CC-CEDICT\n#! charset=UTF-8\n#! date=2019-05-27\n";
  for (int i = 0; i < 3000; i++) source += "中國 中国 [Zhong1 guo2] /China " + std::to_string(i) + "/\n";
  WriteBytes(folder / "cedict_ts.u8", source);
  std::u16string path = Wide(folder / "cedict_ts.u8");
  ASSERT_EQ(1, ConvertCedictSource(path.c_str(), nullptr, nullptr));
  const std::string gb = ReadBytes(folder / "cedict.gb.dat"), b5 = ReadBytes(folder / "cedict.b5.dat");
  std::set<std::string> kept = {"cedict_ts.u8", "cedict.gb.dat", "cedict.b5.dat"};

  struct Case {
    std::string name;
    platform::FileFaults faults;
  };
  std::vector<Case> cases;
  for (long long budget : Budgets((long long)gb.size() + 4, 20011)) {
    if (budget < (long long)gb.size() + 4) {
      cases.push_back({"gb write budget " + std::to_string(budget), Faults("cedict.gb.dat", budget)});
      cases.push_back({"b5 write budget " + std::to_string(budget), Faults("cedict.b5.dat", budget)});
    }
  }
  for (long long budget : Budgets((long long)source.size(), 13001))
    if (budget < (long long)source.size())
      cases.push_back({"read budget " + std::to_string(budget), Faults("cedict_ts.u8", -1, budget)});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(folder / "cedict.gb.dat", "old gb");
    WriteBytes(folder / "cedict.b5.dat", "old b5");
    Recorder recorder;
    ConversionHooks hooks = recorder.Hooks();
    FaultsOff off;
    platform::SetFileFaults(c.faults);
    int result = ConvertCedictSource(path.c_str(), &hooks, nullptr);
    platform::ClearFileFaults();
    EXPECT_EQ(0, result);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ(0u, recorder.events.back().rfind("failed ", 0));
    EXPECT_EQ("old gb", ReadBytes(folder / "cedict.gb.dat"));
    EXPECT_EQ("old b5", ReadBytes(folder / "cedict.b5.dat"));
    EXPECT_EQ(std::set<std::string>{}, Leftovers(folder, kept));
  }
}

// ---------------------------------------------------------------- database load

namespace {

std::string DatabaseBytes(int entries)
{
  std::vector<std::u16string> lines = {u"# CC-CEDICT test database"};
  for (int i = 0; i < entries; i++)
    lines.push_back(u"中国 [zhong1 guo2] /China " + platform::Utf16FromUtf8(std::to_string(i)) + u"/");
  return installer_test::Database(lines);
}

std::vector<std::u16string> TableTexts()
{
  std::vector<std::u16string> texts;
  for (int i = 0; i < EntryTable.Count; i++) texts.emplace_back(EntryTable.Entries[i] + 1, EntryTable.Entries[i][0]);
  return texts;
}

}  // namespace

class DatabaseGone : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder_ = Folder(std::string("load-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    SetProgramFolder(Wide(folder_ / "").c_str());
    bytes_ = DatabaseBytes(3000);
    WriteBytes(folder_ / "cedict.gb.dat", bytes_);
    LoadDictionary(u"cedict.gb.dat");
    ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
    full_ = TableTexts();
    ASSERT_EQ(3000u, full_.size());
  }
  void TearDown() override
  {
    platform::ClearFileFaults();
    FreeDictionary();
  }
  fs::path folder_;
  std::string bytes_;
  std::vector<std::u16string> full_;
};

TEST_F(DatabaseGone, AFileThatVanishedBeforeTheLoadIsUnreadableAndLeavesNoTable)
{
  // Found at start-up, then gone: removed, or replaced by a folder of that name.
  fs::remove(folder_ / "cedict.gb.dat");
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
  EXPECT_EQ(0, EntryTable.Count);
  // The search finds nothing and still ends.
  static std::vector<int> codes;
  codes.clear();
  WCHAR query[] = u"china";
  SearchDictionary(query, 0, 0, 0, [](int code, int, const WCHAR*) { codes.push_back(code); });
  EXPECT_EQ(std::vector<int>{-1}, codes);

  fs::create_directories(folder_ / "cedict.gb.dat");
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
  EXPECT_EQ(0, EntryTable.Count);
}

// Cut anywhere after the check: the lines that are whole load as they were,
// the cut one does not, and the status says the file is damaged.
TEST_F(DatabaseGone, AFileCutBeforeTheLoadGivesTheWholeLinesAndSaysDamaged)
{
  std::set<size_t> cuts = {0, 1, 3, 4, 5, 6, 7, bytes_.size() - 1, bytes_.size() - 2, bytes_.size() - 3};
  for (size_t cut = 7; cut < bytes_.size(); cut += 997) cuts.insert(cut);
  for (size_t cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    WriteBytes(folder_ / "cedict.gb.dat", bytes_.substr(0, cut));
    LoadDictionary(u"cedict.gb.dat");
    EXPECT_EQ(LOAD_DAMAGED, LoadDictionaryStatus());
    std::vector<std::u16string> texts = TableTexts();
    ASSERT_LE(texts.size(), full_.size());
    for (size_t i = 0; i < texts.size(); i++) ASSERT_EQ(full_[i], texts[i]) << "entry " << i;
    // A line is kept exactly when its CR made it into the file.
    size_t whole = 0;
    for (size_t at = 4; at + 1 < cut; at += 2)
      if (bytes_[at] == '\r' && bytes_[at + 1] == 0) whole++;
    EXPECT_EQ(whole > 0 ? whole - 1 : 0, texts.size());
  }
}

TEST_F(DatabaseGone, AReadErrorDuringTheLoadIsUnreadableAndLeavesNoTable)
{
  FaultsOff off;
  for (long long budget : {0LL, 1LL, 4LL, 5000LL, (long long)bytes_.size() - 1}) {
    SCOPED_TRACE("read budget " + std::to_string(budget));
    platform::SetFileFaults(Faults("cedict.gb.dat", -1, budget));
    LoadDictionary(u"cedict.gb.dat");
    platform::ClearFileFaults();
    EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
    EXPECT_EQ(0, EntryTable.Count);
  }
  // The file itself was never touched: it loads whole again.
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(LOAD_OK, LoadDictionaryStatus());
  EXPECT_EQ(full_, TableTexts());
}
