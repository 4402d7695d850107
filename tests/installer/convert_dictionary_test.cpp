#include "installer/convert_dictionary.h"

#include <gtest/gtest.h>

#include <random>

#include "installer_test_files.h"
#include "platform/file_faults.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

const std::string kConverting = "open Converting Dictionary File.... 100";

std::string Failed(const WCHAR* message) { return "failed " + platform::Utf8FromUtf16(message); }

// Runs a conversion of bytes stored as folder/name; returns the result.
int Convert(const fs::path& source, const std::string& bytes, Recorder& recorder, PathBuffer& buffer) {
  WriteBytes(source, bytes);
  ConversionHooks hooks = recorder.Hooks();
  return ConvertDictionaryWith(buffer.units, &hooks);
}

}  // namespace

TEST(ConvertDictionary, CodePageFollowsTheLastCharacterOfThePath) {
  EXPECT_EQ(ConversionCodePage(u"/data/cedict.b5"), 950u);
  EXPECT_EQ(ConversionCodePage(u"/data/cedict.gb"), 936u);
  EXPECT_EQ(ConversionCodePage(u"C:\\dict\\list5"), 950u);
  EXPECT_EQ(ConversionCodePage(u"/data/cedict.b5.txt"), 936u);
  EXPECT_EQ(ConversionCodePage(u""), 936u);

  // A4 A4 is 中 in Big5 and a kana in GB: the same bytes read both ways.
  fs::path folder = FreshFolder("code_page");
  const std::string bytes = "\xA4\xA4 [zhong1] /middle/\r\n";
  for (const char* name : {"cedict.b5", "cedict.gb"}) {
    Recorder recorder;
    PathBuffer buffer(folder / name);
    ASSERT_EQ(Convert(folder / name, bytes, recorder, buffer), 1);
    std::u16string first = std::string(name) == "cedict.b5" ? u"中" : u"\u3044";
    EXPECT_EQ(ReadBytes(folder / (std::string(name) + ".dat")),
              Database({first + u" [zhong1] /middle/"}))
        << name;
  }
}

TEST(ConvertDictionary, CrLfLinesGiveTheDatabaseLayoutAndAdvanceTheSteps) {
  fs::path folder = FreshFolder("layout");
  fs::path source = folder / "cedict.gb";
  const std::string bytes =
      "# CEDICT header\r\n"
      "\xD6\xD0\xB9\xFA [zhong1 guo2] /China/\r\n"
      "\r\n"
      "\xB3\xD4 [chi1] /to eat/\r\n"
      "\r\n"
      "\r\n"
      "a [a1] /a/\r\n";
  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, bytes, recorder, buffer), 1);

  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"),
            Database({u"# CEDICT header", u"中国 [zhong1 guo2] /China/", u"", u"吃 [chi1] /to eat/", u"",
                      u"", u"a [a1] /a/"}));
  EXPECT_EQ(buffer.Utf8(), (folder / "cedict.gb.dat").string());
  EXPECT_EQ(platform::Utf8FromUtf16(ConvertedFilePath), (folder / "cedict.gb.dat").string());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{kConverting, "close", "processed"}));
  EXPECT_TRUE(recorder.positions.empty());
  EXPECT_EQ(Leftovers(folder), "");
}

TEST(ConvertDictionary, ProgressOnlyWhenTheConsumedCountIsAMultipleOf500) {
  fs::path folder = FreshFolder("progress");
  fs::path source = folder / "cedict.gb";
  // Lines of 98 bytes + CR LF: 500 bytes after line 5, 1000 after line 10.
  std::string line(98, 'x');
  std::string bytes;
  for (int i = 0; i < 12; i++) bytes += line + "\r\n";
  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, bytes, recorder, buffer), 1);
  EXPECT_EQ(recorder.positions, (std::vector<int>{500 * 100 / 1200, 1000 * 100 / 1200}));

  // 101-byte steps never meet a multiple of 500 in 303 bytes: no position at all.
  Recorder quiet;
  PathBuffer again(source);
  ASSERT_EQ(Convert(source, std::string(99, 'y') + "\r\n" + std::string(99, 'y') + "\r\n" +
                                std::string(99, 'y') + "\r\n",
                    quiet, again),
            1);
  EXPECT_TRUE(quiet.positions.empty());
  EXPECT_EQ(quiet.events, (std::vector<std::string>{kConverting, "close", "processed"}));
}

// Reads go through 64 KB chunks: lines, double-byte characters and CR LF
// pairs that straddle chunk ends must come out as if read byte by byte.
TEST(ConvertDictionary, ChunkBoundariesChangeNothing) {
  fs::path folder = FreshFolder("chunks");
  fs::path source = folder / "cedict.gb";
  std::mt19937 random(7);
  std::string bytes;
  std::vector<std::u16string> lines;
  std::vector<int> positions;
  // A first line of 51 bytes puts a later CR at byte 65535 and its LF at 65536.
  std::string first(51, 'f');
  bytes += first + "\r\n";
  lines.push_back(u"fffffffffffffffffffffffffffffffffffffffffffffffffff");
  for (int i = 0; i < 642; i++) {
    bytes += std::string(100, 'c') + "\r\n";
    lines.push_back(std::u16string(100, u'c'));
  }
  while (bytes.size() < 200000) {
    std::string text;
    std::u16string wide;
    int length = static_cast<int>(random() % 300);
    for (int k = 0; k < length; k++) {
      if (random() % 3 == 0) {
        text += "\xD6\xD0";  // 中
        wide += u"中";
      } else {
        char c = static_cast<char>('a' + random() % 26);
        text += c;
        wide += static_cast<char16_t>(c);
      }
    }
    bytes += text + "\r\n";
    lines.push_back(wide);
    if (bytes.size() % 500 == 0) positions.push_back(static_cast<int>(bytes.size()));
  }
  ASSERT_EQ(bytes.substr(65535, 2), "\r\n");
  for (int& p : positions) p = static_cast<int>(static_cast<long long>(p) * 100 / bytes.size());

  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, bytes, recorder, buffer), 1);
  EXPECT_TRUE(ReadBytes(folder / "cedict.gb.dat") == Database(lines));
  EXPECT_EQ(recorder.positions, positions);
}

TEST(ConvertDictionary, LineEndsBeyondCrLfAreMended) {
  fs::path folder = FreshFolder("line_ends");
  fs::path source = folder / "cedict.gb";
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {"no CR at the end", "a [a1] /a/\r\nlast", {u"a [a1] /a/", u"last"}},
      {"CR at the very end", "a\r\nb\r", {u"a", u"b"}},
      {"lone LF", "a\nb\r\n", {u"a", u"b"}},
      {"LF only", "a\n\nb\n", {u"a", u"", u"b"}},
      {"CR then another byte keeps the byte", "a\rb\r\n", {u"a", u"b"}},
      {"CR CR LF", "a\r\r\n", {u"a", u""}},
      {"one line without end", "x", {u"x"}},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    PathBuffer buffer(source);
    ASSERT_EQ(Convert(source, c.bytes, recorder, buffer), 1) << c.name;
    EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), Database(c.lines)) << c.name;
  }
}

TEST(ConvertDictionary, LongLinesConvertWhole) {
  fs::path folder = FreshFolder("long_lines");
  fs::path source = folder / "cedict.gb";
  std::string longText;
  std::u16string longWide;
  for (int i = 0; i < 700; i++) {
    longText += "\xD6\xD0";
    longWide += u"中";
  }
  longText += std::string(301, 'z');
  longWide += std::u16string(301, u'z');
  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, "head\r\n" + longText + "\r\nafter\r\n" + longText, recorder, buffer), 1);
  EXPECT_TRUE(ReadBytes(folder / "cedict.gb.dat") == Database({u"head", longWide, u"after", longWide}));
}

TEST(ConvertDictionary, InvalidBytesStillGiveTheLine) {
  fs::path folder = FreshFolder("invalid");
  fs::path source = folder / "cedict.b5";
  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, "ok\r\n\xFF\xFF\x81\r\nend\r\n", recorder, buffer), 1);
  std::string out = ReadBytes(folder / "cedict.b5.dat");
  ASSERT_GE(out.size(), 4u);
  EXPECT_EQ(out.substr(0, 4), std::string("\x03\x00\x00\x00", 4));
  EXPECT_EQ(out.substr(out.size() - 10), std::string("e\0n\0d\0\r\0\n\0", 10));
}

TEST(ConvertDictionary, AnOlderDatabaseIsReplacedWhole) {
  fs::path folder = FreshFolder("replace");
  fs::path source = folder / "cedict.gb";
  WriteBytes(folder / "cedict.gb.dat", std::string(5000, '\x55'));
  Recorder recorder;
  PathBuffer buffer(source);
  ASSERT_EQ(Convert(source, "h\r\nx [x1] /x/\r\n", recorder, buffer), 1);
  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), Database({u"h", u"x [x1] /x/"}));
}

TEST(ConvertDictionary, WithoutHooksOrThroughTheInstalledOnes) {
  fs::path folder = FreshFolder("hooks");
  fs::path source = folder / "cedict.gb";
  WriteBytes(source, "h\r\nx [x1] /x/\r\n");
  PathBuffer plain(source);
  ASSERT_EQ(ConvertDictionaryWith(plain.units, nullptr), 1);
  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), Database({u"h", u"x [x1] /x/"}));

  ConversionHooks empty = {};
  PathBuffer partial(source);
  ASSERT_EQ(ConvertDictionaryWith(partial.units, &empty), 1);

  Recorder recorder;
  ConversionHooks hooks = recorder.Hooks();
  SetConversionHooks(&hooks);
  PathBuffer installed(source);
  EXPECT_EQ(ConvertDictionary(installed.units), 1);
  SetConversionHooks(nullptr);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{kConverting, "close", "processed"}));
}

TEST(ConvertDictionary, SourcesThatCannotBeConvertedAreReportedAndChangeNothing) {
  fs::path folder = FreshFolder("bad_sources");
  const std::string old = "old database";
  WriteBytes(folder / "cedict.gb.dat", old);
  WriteBytes(folder / "empty.gb", "");
  WriteBytes(folder / "empty.gb.dat", old);
  fs::create_directories(folder / "folder.gb");
  WriteBytes(folder / "folder.gb.dat", old);
  struct Case {
    fs::path source;
    const WCHAR* message;
  };
  const Case cases[] = {
      {folder / "cedict.gb", CONVERT_CANNOT_OPEN},  // missing
      {folder / "empty.gb", CONVERT_EMPTY},
      {folder / "folder.gb", CONVERT_CANNOT_OPEN},  // a folder, not a file
  };
  for (const Case& c : cases) {
    Recorder recorder;
    PathBuffer buffer(c.source);
    std::string before = buffer.Utf8();
    ConversionHooks hooks = recorder.Hooks();
    EXPECT_EQ(ConvertDictionaryWith(buffer.units, &hooks), 0) << c.source;
    // Nothing was opened, so no progress window either.
    EXPECT_EQ(recorder.events, std::vector<std::string>{Failed(c.message)}) << c.source;
    EXPECT_EQ(buffer.Utf8(), before);
    fs::path dat = c.source.string() + ".dat";
    EXPECT_EQ(ReadBytes(dat), old) << dat;
    EXPECT_EQ(Leftovers(dat.parent_path()), "");
  }
}

TEST(ConvertDictionary, APathThatCannotTakeDatIsRefused) {
  fs::path folder = FreshFolder("long_path");
  WCHAR buffer[MAX_PATH];
  std::u16string text = platform::Utf16FromUtf8((folder / "").string());
  text += std::u16string(MAX_PATH - 4 - text.size(), u'a');  // 256 units: no room for ".dat"
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  Recorder recorder;
  ConversionHooks hooks = recorder.Hooks();
  EXPECT_EQ(ConvertDictionaryWith(buffer, &hooks), 0);
  EXPECT_EQ(std::u16string(buffer), text);
  EXPECT_EQ(recorder.events, std::vector<std::string>{Failed(CONVERT_PATH_TOO_LONG)});
}

TEST(ConvertDictionary, ReadAndWriteFailuresLeaveTheOlderDatabase) {
  fs::path folder = FreshFolder("faults");
  fs::path source = folder / "cedict.gb";
  std::string bytes;
  for (int i = 0; i < 10000; i++) bytes += "x [x1] /x/\r\n";
  WriteBytes(source, bytes);
  const std::string old = "old database";

  struct Case {
    const char* name;
    platform::FileFaults faults;
    const WCHAR* message;
  };
  platform::FileFaults readFault;
  readFault.pathContains = "cedict.gb";
  readFault.readBudget = 70000;
  platform::FileFaults diskFull;
  diskFull.pathContains = ".dat";
  diskFull.writeBudget = 30000;
  platform::FileFaults noRoomAtAll;
  noRoomAtAll.pathContains = ".dat";
  noRoomAtAll.writeBudget = 0;
  const Case cases[] = {
      {"read fails midway", readFault, CONVERT_CANNOT_READ},
      {"disk fills up", diskFull, CONVERT_CANNOT_WRITE},
      {"nothing can be written", noRoomAtAll, CONVERT_CANNOT_WRITE},
  };
  for (const Case& c : cases) {
    WriteBytes(folder / "cedict.gb.dat", old);
    platform::SetFileFaults(c.faults);
    Recorder recorder;
    PathBuffer buffer(source);
    ConversionHooks hooks = recorder.Hooks();
    int result = ConvertDictionaryWith(buffer.units, &hooks);
    platform::ClearFileFaults();
    EXPECT_EQ(result, 0) << c.name;
    EXPECT_EQ(recorder.events, (std::vector<std::string>{kConverting, "close", Failed(c.message)})) << c.name;
    EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), old) << c.name;
    EXPECT_EQ(Leftovers(folder), "") << c.name;
    EXPECT_EQ(buffer.Utf8(), source.string()) << c.name;
  }
}

TEST(ConvertDictionary, ATargetThatCannotBeReplacedIsAFailure) {
  fs::path folder = FreshFolder("blocked_target");
  fs::path source = folder / "cedict.gb";
  WriteBytes(source, "h\r\n");
  fs::create_directories(folder / "cedict.gb.dat" / "inside");
  Recorder recorder;
  PathBuffer buffer(source);
  ConversionHooks hooks = recorder.Hooks();
  EXPECT_EQ(ConvertDictionaryWith(buffer.units, &hooks), 0);
  EXPECT_EQ(recorder.events.back(), Failed(CONVERT_CANNOT_WRITE));
  EXPECT_TRUE(fs::is_directory(folder / "cedict.gb.dat" / "inside"));
  EXPECT_EQ(Leftovers(folder), "");
}

// Someone who can write into the list's folder plants links at the old temporary name and
// at the database itself: neither is written through; the database is a file of its own.
TEST(ConvertDictionary, PlantedLinksAreNeverWrittenThrough) {
  fs::path folder = FreshFolder("planted_links");
  fs::path source = folder / "cedict.gb", victim = folder / "victim";
  WriteBytes(victim, "precious");
  fs::create_symlink(victim, folder / "cedict.gb.dat.new");
  for (int round = 0; round < 2; round++) {
    Recorder recorder;
    PathBuffer buffer(source);
    ASSERT_EQ(Convert(source, "\xD6\xD0 [zhong1] /middle/\r\n", recorder, buffer), 1) << round;
    EXPECT_EQ(ReadBytes(victim), "precious") << round;
    EXPECT_FALSE(fs::is_symlink(folder / "cedict.gb.dat")) << round;
    EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), Database({u"中 [zhong1] /middle/"})) << round;
    // Then a link in place of the database: the new database replaces the link itself.
    fs::remove(folder / "cedict.gb.dat");
    fs::create_symlink(victim, folder / "cedict.gb.dat");
  }
}

// Two conversions of the same list at once: the second runs whole while the first is
// past its first 64 KB. Each writes a file of its own; both succeed, and the database
// left is whole.
TEST(ConvertDictionary, TwoRunsAtOnceBothGiveAWholeDatabase) {
  fs::path folder = FreshFolder("two_runs");
  fs::path source = folder / "cedict.gb";
  std::string bytes;
  std::vector<std::u16string> lines;
  for (int i = 0; i < 3000; i++) {
    bytes += "\xD6\xD0 [zhong1] /middle " + std::to_string(i) + "/\r\n";
    lines.push_back(u"中 [zhong1] /middle " + platform::Utf16FromUtf8(std::to_string(i)) + u"/");
  }
  WriteBytes(source, bytes);
  int second = -1;
  platform::FileFaults faults;
  faults.pathContains = "cedict.gb.dat";
  faults.pauseAfter = 65536;
  faults.pause = [&] {
    Recorder recorder;
    PathBuffer buffer(source);
    ConversionHooks hooks = recorder.Hooks();
    second = ConvertDictionaryWith(buffer.units, &hooks);
  };
  platform::SetFileFaults(faults);
  Recorder recorder;
  PathBuffer buffer(source);
  ConversionHooks hooks = recorder.Hooks();
  int first = ConvertDictionaryWith(buffer.units, &hooks);
  platform::ClearFileFaults();
  EXPECT_EQ(second, 1);
  EXPECT_EQ(first, 1) << recorder.events.back();
  EXPECT_EQ(ReadBytes(folder / "cedict.gb.dat"), Database(lines));
  EXPECT_EQ(Leftovers(folder), "");
}
