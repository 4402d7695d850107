#include "installer/convert_cedict.h"

#include <gtest/gtest.h>

#include "installer_test_files.h"
#include "platform/file_faults.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

// A made-up list in CC-CEDICT's form: its own header block, LF ends (one CR
// LF), a comment and a blank line among the entries, one malformed line.
const std::string kSource =
    "\xEF\xBB\xBF# CC-CEDICT\n"
    "# Community maintained free Chinese-English dictionary.\n"
    "#! charset=UTF-8\n"
    "#! date=2021-03-04T05:06:07Z\n"
    "#! license=https://creativecommons.org/licenses/by-sa/4.0/\n"
    "中國 中国 [Zhong1 guo2] /China/\n"
    "丈夫 丈夫 [zhang4 fu5] /husband/CL:個|个[ge4]/\r\n"
    "\n"
    "# a comment in the middle\n"
    "𠮶 𠮶 [ge3] /that (dialect)/\n"
    "not an entry at all\n"
    "鶥 鹛 [mei2] /babbler/Lü Xun|/\n";

const std::u16string kSimplifiedHeader =
    u"# CC-CEDICT of 2021-03-04, simplified headwords. Credit: CC-CEDICT, https://cc-cedict.org/wiki/ - "
    u"License: CC BY-SA 4.0, https://creativecommons.org/licenses/by-sa/4.0/";
const std::u16string kTraditionalHeader =
    u"# CC-CEDICT of 2021-03-04, traditional headwords. Credit: CC-CEDICT, https://cc-cedict.org/wiki/ - "
    u"License: CC BY-SA 4.0, https://creativecommons.org/licenses/by-sa/4.0/";

}  // namespace

TEST(ConvertCedict, WritesBothDatabasesBesideTheSource) {
  fs::path folder = FreshFolder("cedict_both");
  fs::path source = folder / "cedict_ts.u8";
  WriteBytes(source, kSource);
  Recorder recorder;
  ConversionHooks hooks = recorder.Hooks();
  CedictConversion result;
  ASSERT_EQ(ConvertCedictSource(platform::Utf16FromUtf8(source.string()).c_str(), &hooks, &result), 1);

  EXPECT_EQ(result.entries, 4);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(platform::Utf8FromUtf16(result.simplifiedPath), (folder / "cedict.gb.dat").string());
  EXPECT_EQ(platform::Utf8FromUtf16(result.traditionalPath), (folder / "cedict.b5.dat").string());
  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"),
            Database({kSimplifiedHeader, u"中国 [Zhong1 guo2] /China/", u"丈夫 [zhang4 fu5] /husband/CL:个[ge4]/",
                      u"𠮶 [ge3] /that (dialect)/", u"鹛 [mei2] /babbler/Lü Xun|/"}));
  EXPECT_EQ(ReadBytes(folder / "cedict.b5.dat"),
            Database({kTraditionalHeader, u"中國 [Zhong1 guo2] /China/", u"丈夫 [zhang4 fu5] /husband/CL:個[ge4]/",
                      u"𠮶 [ge3] /that (dialect)/", u"鶥 [mei2] /babbler/Lü Xun|/"}));
  EXPECT_EQ(recorder.events.front(), "open Converting Dictionary File.... 100");
  EXPECT_EQ(recorder.events.back(), "processed");
  ASSERT_FALSE(recorder.positions.empty());
  EXPECT_EQ(recorder.positions.back(), 100);
  EXPECT_TRUE(std::is_sorted(recorder.positions.begin(), recorder.positions.end()));
  EXPECT_EQ(Leftovers(folder), "");
}

TEST(ConvertCedict, RecognisedByNameOrByContent) {
  fs::path folder = FreshFolder("cedict_detect");
  WriteBytes(folder / "list.txt", kSource);
  WriteBytes(folder / "cedict.gb", "# CC-CEDICT of 2021-03-04, simplified headwords.\r\n\xD6\xD0 [zhong1] /middle/\r\n");
  EXPECT_EQ(IsCedictUtf8Source(u"/nowhere/cedict_ts.u8"), 1);
  EXPECT_EQ(IsCedictUtf8Source(u"/nowhere/CEDICT_TS.U8"), 1);
  EXPECT_EQ(IsCedictUtf8Source(platform::Utf16FromUtf8((folder / "list.txt").string()).c_str()), 1);
  EXPECT_EQ(IsCedictUtf8Source(platform::Utf16FromUtf8((folder / "cedict.gb").string()).c_str()), 0);
  EXPECT_EQ(IsCedictUtf8Source(u"/nowhere/cedict.b5"), 0);
}

TEST(ConvertCedict, FailuresReplaceNeitherDatabase) {
  fs::path folder = FreshFolder("cedict_failures");
  const std::string oldGb = "old gb", oldB5 = "old b5";
  auto reset = [&] {
    WriteBytes(folder / "cedict.gb.dat", oldGb);
    WriteBytes(folder / "cedict.b5.dat", oldB5);
  };
  WriteBytes(folder / "only_comments.u8", "# CC-CEDICT\n#! charset=UTF-8\n\n");
  WriteBytes(folder / "empty.u8", "");
  std::string big = kSource;
  for (int i = 0; i < 2000; i++) big += "中國 中国 [Zhong1 guo2] /China/\n";
  WriteBytes(folder / "big.u8", big);

  platform::FileFaults b5Full;
  b5Full.pathContains = "cedict.b5.dat";
  b5Full.writeBudget = 1000;
  struct Case {
    const char* name;
    const char* source;
    const WCHAR* message;
    platform::FileFaults faults;
  };
  const Case cases[] = {
      {"missing", "missing.u8", CONVERT_CANNOT_OPEN, {}},
      {"empty", "empty.u8", CONVERT_EMPTY, {}},
      {"no entries", "only_comments.u8", CEDICT_NO_ENTRIES, {}},
      {"second file cannot be written", "big.u8", CONVERT_CANNOT_WRITE, b5Full},
  };
  for (const Case& c : cases) {
    reset();
    if (!c.faults.pathContains.empty()) platform::SetFileFaults(c.faults);
    Recorder recorder;
    ConversionHooks hooks = recorder.Hooks();
    int ok = ConvertCedictSource(platform::Utf16FromUtf8((folder / c.source).string()).c_str(), &hooks, nullptr);
    platform::ClearFileFaults();
    EXPECT_EQ(ok, 0) << c.name;
    EXPECT_EQ(recorder.events.back(), "failed " + platform::Utf8FromUtf16(c.message)) << c.name;
    EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), oldGb) << c.name;
    EXPECT_EQ(ReadBytes(folder / "cedict.b5.dat"), oldB5) << c.name;
    EXPECT_EQ(Leftovers(folder), "") << c.name;
  }

  // The Traditional database cannot replace its older file (a folder is in the way) after
  // the Simplified one has: the older Simplified database comes back.
  reset();
  fs::remove(folder / "cedict.b5.dat");
  fs::create_directory(folder / "cedict.b5.dat");
  Recorder recorder;
  ConversionHooks hooks = recorder.Hooks();
  EXPECT_EQ(ConvertCedictSource(platform::Utf16FromUtf8((folder / "big.u8").string()).c_str(), &hooks, nullptr), 0);
  EXPECT_EQ(recorder.events.back(), "failed " + platform::Utf8FromUtf16(CONVERT_CANNOT_WRITE));
  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), oldGb);
  EXPECT_TRUE(fs::is_directory(folder / "cedict.b5.dat"));
  EXPECT_EQ(Leftovers(folder), "");
  // And where there was no Simplified database, none is left.
  fs::remove(folder / "cedict.gb.dat");
  EXPECT_EQ(ConvertCedictSource(platform::Utf16FromUtf8((folder / "big.u8").string()).c_str(), &hooks, nullptr), 0);
  EXPECT_FALSE(fs::exists(folder / "cedict.gb.dat"));
  EXPECT_EQ(Leftovers(folder), "");
}
