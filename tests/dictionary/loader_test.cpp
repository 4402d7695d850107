#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"
#include "device/dictionary/unit_search.h"
#include "device/shell/program_folder.h"
#include "platform/file_faults.h"
#include "tests/dictionary/dictionary_fixture.h"

namespace {

TEST(Loader, StoresEntryTextWithToneStrippedKey)
{
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"中国 [zhong1 guo2] /China/", u"鲁迅 [Lu:3 xun4] /Lu Xun/",
                                                u"个 [ge4] /see 個|个[ge4]/ or 箇|个[gei4]/"})));
  ASSERT_EQ(3, EntryTable.Count);
  EXPECT_EQ(33, EntryTable.Entries[0][0]);
  EXPECT_EQ(u"中国 [zhong1 guo2] /China#zhong guo", EntryText(0));
  EXPECT_EQ(0, EntryTable.Entries[0][34]);
  // Capitals and u: stay in the key; the pronunciation gives it, never a cross-reference.
  EXPECT_EQ(u"鲁迅 [Lu:3 xun4] /Lu Xun#Lu: xun", EntryText(1));
  EXPECT_EQ(u"个 [ge4] /see 個|个[ge4]/ or 箇|个[gei4]#ge", EntryText(2));
}

// The About page names the edition in use from the header line.
TEST(Loader, NamesTheWordListFromItsHeaderLine)
{
  ASSERT_EQ(LOAD_OK, LoadImage(DatabaseImage({u"# CC-CEDICT of 2026-01-04, simplified headwords. Credit: CC-CEDICT",
                                              u"a [a1] /x/"})));
  EXPECT_EQ(u"CC-CEDICT of 2026-01-04", std::u16string(WordListName));
  ASSERT_EQ(LOAD_OK, LoadImage(DatabaseImage({u"#" + std::u16string(100, u'x')})));
  EXPECT_EQ(std::u16string(WORD_LIST_NAME_UNITS - 1, u'x'), std::u16string(WordListName));
  FreeDictionary();
  EXPECT_EQ(u"", std::u16string(WordListName));
  // A header without its line end is damage: nothing is named.
  std::vector<BYTE> cut = DatabaseImage({u"# CC-CEDICT of 2026-01-04"});
  cut.resize(cut.size() - 2);
  EXPECT_EQ(LOAD_DAMAGED, LoadImage(cut));
  EXPECT_EQ(u"", std::u16string(WordListName));
}

TEST(Loader, CountsAndLayout)
{
  ASSERT_EQ(LOAD_OK, LoadImage(DatabaseImage({u"# header only"})));
  EXPECT_EQ(0, EntryTable.Count);

  // The first entry begins with the second line; no CR or LF in any text.
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"a [a1] /x/", u"b [b2] /y/"})));
  ASSERT_EQ(2, EntryTable.Count);
  EXPECT_EQ(u"a [a1] /x#a", EntryText(0));
  EXPECT_EQ(u"b [b2] /y#b", EntryText(1));
  // Entries lie back to back, followed by readable zero slack.
  EXPECT_EQ(EntryTable.Entries[0] + EntryTable.Entries[0][0] + 2, EntryTable.Entries[1]);
  const WCHAR* end = EntryTable.Entries[1] + EntryTable.Entries[1][0] + 2;
  for (int i = 0; i < ENTRY_TABLE_SLACK; i++) ASSERT_EQ(0, end[i]);
}

TEST(Loader, LinesWithoutAWholeBracketPair)
{
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"no brackets here/", u"", u"x [open /never closed/",
                                                u"y [y1] /z/ [unclosed/", u"w [a[b1]/"})));
  ASSERT_EQ(5, EntryTable.Count);
  EXPECT_EQ(u"no brackets here#", EntryText(0));
  EXPECT_EQ(u"#", EntryText(1));  // an empty line
  EXPECT_EQ(u"x [open /never closed#", EntryText(2));
  // An unclosed '[' forms no pair.
  EXPECT_EQ(u"y [y1] /z/ [unclosed#y", EntryText(3));
  EXPECT_EQ(u"w [a[b1]#a[b", EntryText(4));
}

TEST(Loader, LongKeysAndLinesAreCutToTheirLimits)
{
  std::u16string pinyin(300, u'p');
  std::u16string longLine = u"h [" + pinyin + u"] /" + std::u16string(70000, u'd') + u"/";
  ASSERT_EQ(LOAD_DAMAGED, LoadImage(DictionaryImage({u"a [" + pinyin + u"] /x/", longLine, u"b [b1] /y/"})));
  ASSERT_EQ(3, EntryTable.Count);
  EXPECT_EQ(u"a [" + pinyin + u"] /x#" + std::u16string(MAX_KEY_UNITS - 1, u'p'), EntryText(0));
  // The overlong line keeps what the length unit can count, and its key.
  EXPECT_EQ(65535, EntryTable.Entries[1][0]);
  std::u16string text = EntryText(1);
  EXPECT_EQ(longLine.substr(0, 65535 - MAX_KEY_UNITS), text.substr(0, 65535 - MAX_KEY_UNITS));
  EXPECT_EQ(u"#" + std::u16string(MAX_KEY_UNITS - 1, u'p'), text.substr(65535 - MAX_KEY_UNITS));
  EXPECT_EQ(u"b [b1] /y#b", EntryText(2));
}

struct BadImage {
  const char* name;
  std::vector<BYTE> image;
  int status;
  std::vector<std::u16string> entries;
};

std::vector<BYTE> Cut(std::vector<BYTE> image, size_t drop)
{
  image.resize(image.size() - drop);
  return image;
}

std::vector<BYTE> WithBytes(std::vector<BYTE> image, std::vector<BYTE> extra)
{
  image.insert(image.end(), extra.begin(), extra.end());
  return image;
}

std::vector<BadImage> BadImages()
{
  const std::vector<std::u16string> two{u"# h", u"a [a1] /x/", u"b [b1] /y/"};
  return {
      {"empty file", {}, LOAD_DAMAGED, {}},
      {"count cut short", {1, 0}, LOAD_DAMAGED, {}},
      {"count zero", DatabaseImage(two, 0), LOAD_DAMAGED, {}},
      {"negative count", DatabaseImage(two, -5), LOAD_DAMAGED, {}},
      {"header without LF", {2, 0, 0, 0, 'h', 0, 'i', 0}, LOAD_DAMAGED, {}},
      {"count above the lines", DatabaseImage(two, 7), LOAD_DAMAGED, {u"a [a1] /x#a", u"b [b1] /y#b"}},
      {"huge count", DatabaseImage(two, 0x7FFFFFFF), LOAD_DAMAGED, {u"a [a1] /x#a", u"b [b1] /y#b"}},
      {"count below the lines", DatabaseImage(two, 2), LOAD_DAMAGED, {u"a [a1] /x#a"}},
      {"odd byte count", WithBytes(DatabaseImage(two), {'z'}), LOAD_DAMAGED, {u"a [a1] /x#a", u"b [b1] /y#b"}},
      {"last line cut", Cut(DatabaseImage(two), 8), LOAD_DAMAGED, {u"a [a1] /x#a"}},
      {"last LF missing", Cut(DatabaseImage(two), 2), LOAD_DAMAGED, {u"a [a1] /x#a", u"b [b1] /y#b"}},
      {"CR without LF inside", DatabaseImage({u"# h", u"a [a1] /x/\rb [b1] /y/"}, 3), LOAD_DAMAGED,
       {u"a [a1] /x#a", u"b [b1] /y#b"}},
      {"bracket open at the cut", Cut(DatabaseImage({u"# h", u"a [a1] /x/", u"b [b1"}), 4), LOAD_DAMAGED,
       {u"a [a1] /x#a"}},
  };
}

TEST(Loader, BadFilesLoadWhatIsValidAndSaySo)
{
  for (const BadImage& c : BadImages()) {
    SCOPED_TRACE(c.name);
    // An exact-size heap copy, so that a read past the end is a real fault.
    BYTE* copy = static_cast<BYTE*>(malloc(c.image.size() + 1));
    if (!c.image.empty()) memcpy(copy, c.image.data(), c.image.size());
    EXPECT_EQ(c.status, LoadDictionaryImage(copy, (DWORD)c.image.size()));
    free(copy);
    ASSERT_EQ((LONG)c.entries.size(), EntryTable.Count);
    for (size_t i = 0; i < c.entries.size(); i++) EXPECT_EQ(c.entries[i], EntryText((int)i));
  }
}

TEST(Loader, EveryTruncationLoadsAValidPrefixAndReportsDamage)
{
  std::vector<BYTE> full = DictionaryImage({u"中国 [zhong1 guo2] /China/", u"", u"x [open /never/", u"鲁迅 [Lu:3 xun4] /Lu Xun/",
                                            u"a [a1] /b/ [c2]/", u"end [end4] /(note) last/"});
  ASSERT_EQ(LOAD_OK, LoadImage(full));
  std::vector<std::u16string> expected;
  for (int i = 0; i < EntryTable.Count; i++) expected.push_back(EntryText(i));

  for (size_t size = 0; size < full.size(); size++) {
    SCOPED_TRACE(size);
    BYTE* cut = static_cast<BYTE*>(malloc(size + 1));
    memcpy(cut, full.data(), size);
    EXPECT_EQ(LOAD_DAMAGED, LoadDictionaryImage(cut, (DWORD)size));
    free(cut);
    ASSERT_LE(EntryTable.Count, (LONG)expected.size());
    for (int i = 0; i < EntryTable.Count; i++) ASSERT_EQ(expected[i], EntryText(i));
  }
}

class LoaderFiles : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder = NewTestFolder();
    ASSERT_FALSE(folder.empty());
    SetProgramFolder(Widen(folder).c_str());
  }
  void TearDown() override { platform::ClearFileFaults(); }
  std::string folder;
};

TEST_F(LoaderFiles, ReadsFromTheProgramFolderAndReplacesTheTable)
{
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage({u"中国 [zhong1 guo2] /China/", u"人 [ren2] /person/"}));
  WriteBytes(folder + "cedict.b5.dat", DictionaryImage({u"中國 [zhong1 guo2] /China/"}));
  SelectDictionary(1);
  EXPECT_EQ(LOAD_OK, LoadDictionaryStatus());
  ASSERT_EQ(2, EntryTable.Count);
  EXPECT_EQ(u"人 [ren2] /person#ren", EntryText(1));
  SelectDictionary(0);
  ASSERT_EQ(1, EntryTable.Count);
  EXPECT_EQ(u"中國 [zhong1 guo2] /China#zhong guo", EntryText(0));
  // Any other choice loads nothing and keeps the table.
  SelectDictionary(5);
  EXPECT_EQ(1, EntryTable.Count);
  EXPECT_EQ(125, MatchWeights[1]);
  EXPECT_EQ(450, MatchWeights[14]);
}

std::vector<std::u16string> TableTexts()
{
  std::vector<std::u16string> texts;
  for (int i = 0; i < EntryTable.Count; i++) texts.push_back(EntryText(i));
  return texts;
}

// The kept table's hash is the same on every processor (the AVX2 build where it runs) and
// whatever the pieces it is fed in: else a table written here is refused there and made again.
TEST(Loader, TheTableHashIsPortableXxh3)
{
  std::mt19937 random(3);
  std::vector<unsigned char> bytes(300000);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
  TableHash hash;
  TableHashReset(&hash);
  for (size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 % 70001 + 1)
    TableHashUpdate(&hash, bytes.data() + at, std::min(piece, bytes.size() - at));
  EXPECT_EQ(XXH3_64bits(bytes.data(), bytes.size()), TableHashDigest(&hash));
}

// The table kept beside the database is used only while it is the database's and whole,
// checked in place or read through.
TEST_F(LoaderFiles, TheKeptTableIsUsedOnlyWhenItIsTheDatabasesAndWhole)
{
  std::string database = folder + "cedict.gb.dat", table = database + ".table";
  for (int how : {TABLE_ON_DEMAND, TABLE_AT_ONCE}) {
    SCOPED_TRACE(how);
    SetTableLoading(how);
    std::remove(table.c_str());
    WriteBytes(database, DictionaryImage({u"中国 [zhong1 guo2] /China/", u"人 [ren2] /person/"}));
    LoadDictionary(u"cedict.gb.dat");
    std::vector<std::u16string> parsed = TableTexts();
    ASSERT_EQ(2u, parsed.size());
    std::vector<BYTE> good = ReadBytes(table);
    ASSERT_FALSE(good.empty());
    LoadDictionary(u"cedict.gb.dat");
    EXPECT_EQ(LOAD_OK, LoadDictionaryStatus());
    EXPECT_EQ(parsed, TableTexts());
    EXPECT_EQ(u"test dictionary", std::u16string(WordListName));
    EXPECT_EQ(2, EntryMarks[1].Open);  // "人 [": the marks come back too

    // One unit changed in the entries ("China" to "Chinb"), a cut file, a foreign header:
    // each is ignored and made again from the database.
    size_t at = good.size() - 2 * (ENTRY_TABLE_SLACK + 1 + 20);
    for (int damage = 0; damage < 3; damage++) {
      std::vector<BYTE> bad = good;
      if (damage == 0) {
        std::u16string china(reinterpret_cast<const char16_t*>(bad.data() + 224), (bad.size() - 224) / 2);
        size_t c = china.find(u"China");
        ASSERT_NE(std::u16string::npos, c);
        bad[224 + 2 * (c + 4)] = 'b';
      } else if (damage == 1) {
        bad.resize(at);
      } else {
        bad[0] ^= 1;
      }
      WriteBytes(table, bad);
      LoadDictionary(u"cedict.gb.dat");
      EXPECT_EQ(LOAD_OK, LoadDictionaryStatus()) << damage;
      EXPECT_EQ(parsed, TableTexts()) << damage;
      EXPECT_EQ(good, ReadBytes(table)) << damage;
    }

    // The database rewritten in place, same size, within the same clock tick: the sample of
    // its bytes tells.
    WriteBytes(database, DictionaryImage({u"中国 [zhong1 guo2] /Chino/", u"人 [ren2] /person/"}));
    LoadDictionary(u"cedict.gb.dat");
    EXPECT_EQ(u"中国 [zhong1 guo2] /Chino#zhong guo", EntryText(0));
    LoadDictionary(u"cedict.gb.dat");
    EXPECT_EQ(u"中国 [zhong1 guo2] /Chino#zhong guo", EntryText(0));
  }
  SetTableLoading(TABLE_ON_DEMAND);
}

// A lookup keeps the table of a new database as it parses it, never holding it whole; that
// table must be the one a load keeps, byte for byte, damaged databases and long lines
// included, and nothing is kept where a load keeps nothing.
TEST_F(LoaderFiles, TheTableWrittenWhileParsingIsTheOneALoadKeeps)
{
  std::string database = folder + "cedict.gb.dat", table = database + ".table";
  std::vector<BadImage> images = BadImages();
  std::u16string pinyin(300, u'p');
  images.push_back({"long lines", DictionaryImage({u"a [" + pinyin + u"] /x/", u"h [" + pinyin + u"] /" +
                                                   std::u16string(70000, u'd') + u"/", u"b [b1] /y/"}),
                    LOAD_OK, {}});
  std::vector<std::u16string> many;  // more than one piece of the writer's, with long lines between
  for (int i = 0; i < 30000; i++)
    many.push_back(i % 9000 == 5 ? u"长 [chang2] /" + std::u16string(66000 + i, u'l') + u"/"
                                 : u"词" + std::u16string(1, (char16_t)(0x4E00 + i % 20000)) + u" [ci2 " +
                                       std::u16string(1, (char16_t)(u'a' + i % 26)) + u"4] /word " +
                                       std::u16string(i % 40, u'w') + u"/[x]#/");
  images.push_back({"a name shorter than the one before", DatabaseImage({u"# a", u"b [b1] /c/"}), LOAD_OK, {}});
  images.push_back({"many lines", DictionaryImage(many), LOAD_OK, {}});
  for (const BadImage& c : images) {
    SCOPED_TRACE(c.name);
    WriteBytes(database, c.image);
    std::remove(table.c_str());
    int made = KeepDictionaryTable(u"cedict.gb.dat");
    std::vector<BYTE> written = ReadBytes(table);
    std::remove(table.c_str());
    LoadDictionary(u"cedict.gb.dat");
    std::vector<BYTE> kept = ReadBytes(table);
    EXPECT_EQ(kept.empty() ? -1 : 1, made);
    EXPECT_TRUE(kept == written) << kept.size() << " " << written.size();
    if (made == 1) {
      EXPECT_EQ(0, KeepDictionaryTable(u"cedict.gb.dat"));  // there is one now
    }
  }

  // A disk that fills while the table is written keeps no table and leaves nothing behind.
  std::remove(table.c_str());
  platform::FileFaults faults;
  faults.pathContains = ".table";
  faults.writeBudget = 100000;
  platform::SetFileFaults(faults);
  EXPECT_EQ(-1, KeepDictionaryTable(u"cedict.gb.dat"));
  platform::ClearFileFaults();
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  EXPECT_EQ(std::vector<std::string>{"cedict.gb.dat"}, names);
  EXPECT_EQ(-1, KeepDictionaryTable(u"missing.dat"));
}

// A lookup ended while it kept a table leaves its half-written file behind; the next writer of
// that table removes it once its process is gone, and never one that may still be written.
TEST_F(LoaderFiles, AWriterRemovesWhatAnEndedOneLeftBehind)
{
  std::string table = folder + "cedict.gb.dat.table";
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage({u"人 [ren2] /person/"}));
  auto leave = [&](const std::string& name, bool old) {
    WriteBytes(folder + name, std::vector<BYTE>(100, 1));
    if (old)
      std::filesystem::last_write_time(folder + name,
                                       std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  };
  const std::string ended = "cedict.gb.dat.table.4294967295.new";  // beyond any process id
  const std::string own = "cedict.gb.dat.table." + std::to_string(GetCurrentProcessId()) + ".new";
  const std::string running = "cedict.gb.dat.table.1.new", recent = "cedict.gb.dat.table.999999999.new";
  const std::string other = "cedict.gb.dat.table.x1.new", index = "cedict.gb.dat.table.index.4294967295.new";
  leave(ended, true);
  leave(own, false);  // would stop this process's own writing
  leave(running, true);
  leave(recent, false);
  leave(other, true);
  leave(index, true);  // the index's, for its own writer
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(1, EntryTable.Count);
  EXPECT_FALSE(ReadBytes(table).empty());
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  EXPECT_EQ((std::set<std::string>{"cedict.gb.dat", "cedict.gb.dat.table", running, recent, other, index}), names);
}

TEST_F(LoaderFiles, UnreadableFilesLeaveAnEmptyTable)
{
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage({u"a [a1] /x/"}));
  LoadDictionary(u"missing.dat");
  EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
  EXPECT_EQ(0, EntryTable.Count);

  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(1, EntryTable.Count);
  platform::FileFaults faults;
  faults.pathContains = "cedict.gb.dat";
  faults.readBudget = 10;
  platform::SetFileFaults(faults);
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
  EXPECT_EQ(0, EntryTable.Count);
  platform::ClearFileFaults();

  // A name that does not fit a path is refused, not cut.
  LoadDictionary(std::u16string(300, u'x').c_str());
  EXPECT_EQ(LOAD_UNREADABLE, LoadDictionaryStatus());
}

TEST(Loader, CopyEntryTextHandsOutAnOwnedCopy)
{
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"中国 [zhong1 guo2] /China/"})));
  WCHAR* copy = nullptr;
  ASSERT_EQ(33, CopyEntryText(0, &copy));
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(u"中国 [zhong1 guo2] /China#zhong guo", std::u16string(copy));
  EXPECT_NE(EntryTable.Entries[0] + 1, copy);
  free(copy);
  EXPECT_EQ(-1, CopyEntryText(1, &copy));
  EXPECT_EQ(nullptr, copy);
  EXPECT_EQ(-1, CopyEntryText(-1, &copy));
}

}  // namespace

namespace {

// The PinYin search trusts these: the first '[' of the text and the first '#' behind it.
void ExpectMarksMatchTexts()
{
  for (int i = 0; i < EntryTable.Count; i++) {
    std::u16string text = EntryText(i);
    size_t open = text.find(u'[');
    ENTRY_MARKS marks = EntryMarks[i];
    if (open == std::u16string::npos) {
      ASSERT_EQ(MARK_NONE, marks.Open) << "entry " << i;
      continue;
    }
    ASSERT_EQ(open, marks.Open) << "entry " << i;
    ASSERT_EQ(text.find(u'#', open + 1), marks.Hash) << "entry " << i;
  }
}

TEST(Loader, MarksAndTextsAreTheSameOnEveryPath)
{
  std::u16string longDefinition(100, u'x');
  std::vector<std::u16string> lines = {
      u"中国 [zhong1 guo2] /China/", u"C# [C sharp] /C# (language)/", u"x [a#b] /c#d/", u"# [] /#/",
      u"no bracket/", u"last [", u"[a] [b]/", u"a [b [c] d] /e/", u"", u"#", u"x [" + longDefinition + u"] /" +
      longDefinition + u"#" + longDefinition + u"/", u"y [y1] /" + std::u16string(70000, u'[') + u"/"};
  for (int i = 0; i < 300; i++) lines.push_back(u"w" + std::u16string(i % 70, u'a') + u" [p" + std::u16string(i % 9, u'#') +
                                                u"1] /d" + std::u16string(i % 3, u'#') + u"/");
  std::vector<BYTE> image = DictionaryImage(lines);
  std::vector<std::u16string> expected;
  for (int path : {1, 2, 3}) {
    if (!SetMarkerPath(path)) continue;
    SCOPED_TRACE(path);
    LoadImage(image);
    std::vector<std::u16string> texts;
    for (int i = 0; i < EntryTable.Count; i++) texts.push_back(EntryText(i));
    if (expected.empty()) expected = texts;
    EXPECT_EQ(expected, texts);
    ExpectMarksMatchTexts();
  }
  SetMarkerPath(0);
  ASSERT_EQ(lines.size(), expected.size());
}

// Every count of units a vector path is asked about, whole runs of its width and the units
// after them, gives the portable path's bits; the units past count are never read (they hold
// markers here, which would show).
TEST(Loader, MarkerMasksAreTheSameOnEveryPathForEveryCount)
{
  const WCHAR markers[4] = {u'[', u']', u'/', u'#'};
  std::mt19937 random(9);
  std::u16string text;
  for (int i = 0; i < 64; i++) text += u"[]/#ab"[random() % 6];
  text += std::u16string(64, u'#');
  for (size_t count = 0; count <= 64; count++) {
    ASSERT_TRUE(SetMarkerPath(1));
    const uint64_t portable = MarkerMask(reinterpret_cast<const WCHAR*>(text.data()), count, markers);
    for (int path : {2, 3}) {
      if (!SetMarkerPath(path)) continue;
      EXPECT_EQ(portable, MarkerMask(reinterpret_cast<const WCHAR*>(text.data()), count, markers)) << path << " " << count;
    }
  }
  SetMarkerPath(0);
}

TEST(Loader, FullDictionaryMarksWhenPresent)
{
  std::string path = std::string(ORLEND_SOURCE_DIR) + "/data/cedict.gb.dat";
  if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << "data/cedict.gb.dat not fetched";
  // Parsed from its bytes: a load from data/ would keep its table there.
  ASSERT_EQ(LOAD_OK, LoadImage(ReadBytes(path)));
  ExpectMarksMatchTexts();
}

}  // namespace
