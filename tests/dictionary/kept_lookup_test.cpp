// The lookups that read the kept files instead of loading the table, against the whole table:
// the index of the Chinese characters and the read-through of the kept table give the same
// sink calls for every query they answer, and a damaged, stale or missing file is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>

#include "device/dictionary/find_entries.h"
#include "device/dictionary/lookup_index.h"
#include "device/dictionary/pinyin_input.h"
#include "device/dictionary/table_hash.h"
#include "device/dictionary/table_search.h"
#include "device/shell/program_folder.h"
#include "platform/file_faults.h"
#include "tests/dictionary/dictionary_fixture.h"
#include "tests/dictionary/full_dictionary.h"

namespace {

struct Told {
  int code;
  std::u16string text;
  bool operator==(const Told& other) const { return code == other.code && text == other.text; }
};

std::vector<Told> g_told;
int g_status = -1;

void Tell(int code, int length, const WCHAR* text)
{
  g_told.push_back({code, text && code >= 0 ? std::u16string(text, (size_t)length) : u""});
}
void Status(int status) { g_status = status; }

// What the whole table says, as the sink hears it.
std::vector<Told> Scanned(const std::u16string& query, int matchCase, int wholeWord, int pinyin = 0)
{
  std::u16string copy = query;
  g_told.clear();
  SearchDictionary(copy.data(), matchCase, wholeWord, pinyin, Tell);
  return g_told;
}

int Indexed(const std::u16string& query, int matchCase, int wholeWord)
{
  g_told.clear();
  return FindThroughIndex(u"cedict.gb.dat", query.c_str(), matchCase, wholeWord, 0, Status, Tell);
}

// A new program folder holding a database of these lines, the match weights set up.
std::string FolderWith(const std::vector<std::u16string>& lines)
{
  std::string folder = NewTestFolder();
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage(lines));
  SetProgramFolder(Widen(folder).c_str());
  InitMatchWeights();
  return folder;
}

// A folder holding the full Simplified database when it was fetched, else a made-up one of
// Chinese lines; its table loaded and its index made.
std::string PreparedFolder()
{
  std::string folder = FullDictionaryFolder();
  if (folder.empty()) {
    std::mt19937 random(5);
    const std::u16string alphabet = u"中国人大小学生日月水火山天地上下王吃";
    std::vector<std::u16string> lines;
    for (int i = 0; i < 3000; i++) {
      std::u16string word;
      for (int k = 1 + (int)(random() % 4); k > 0; k--) word += alphabet[random() % alphabet.size()];
      lines.push_back(word + u" [zi4] /word " + word.substr(0, 1) + u"/");
    }
    folder = FolderWith(lines);
  }
  InitMatchWeights();
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  return folder;
}

TEST(LookupIndex, AnswersEveryChineseQueryAsTheWholeTable)
{
  std::string folder = PreparedFolder();
  ASSERT_GT(EntryTable.Count, 0);
  ASSERT_FALSE(ReadBytes(folder + "cedict.gb.dat.table.index").empty());
  // Queries from the entries themselves: their first one to four Chinese units, whole or as
  // whole words, and a few that hold units no entry has together.
  std::set<std::u16string> queries = {u"中", u"中国", u"国中", u"学生", u"龘龘", u"中国人民", u"的"};
  for (LONG i = 0; i < EntryTable.Count; i += 1 + EntryTable.Count / 40) {
    std::u16string text = EntryText((int)i);
    size_t n = 0;
    while (n < text.size() && text[n] >= LOOKUP_INDEX_FIRST_UNIT) n++;
    for (size_t k = 1; k <= n && k <= 4; k++) queries.insert(text.substr(0, k));
    if (n >= 2) queries.insert(text.substr(1, 1));
  }
  int answered = 0;
  for (const std::u16string& query : queries)
    for (int combination = 0; combination < 2; combination++) {
      int matchCase = query.size() & 1, wholeWord = combination;
      std::vector<Told> scanned = Scanned(query, matchCase, wholeWord);
      int found = 0;
      for (const Told& told : scanned) found += told.code >= 0;
      int through = Indexed(query, matchCase, wholeWord);
      ASSERT_NE(-1, through) << "the index was refused";
      EXPECT_EQ(found > 0 ? 1 : 0, through);
      if (through == 1) {
        EXPECT_TRUE(g_told == scanned) << "a query of " << query.size() << " units";
        answered++;
      } else {
        EXPECT_TRUE(g_told.empty());
      }
    }
  EXPECT_GT(answered, 60);
  // Not for the index: five Chinese units, Chinese and Latin together.
  EXPECT_EQ(0, Indexed(u"中国人民共", 0, 0));
  EXPECT_EQ(0, Indexed(u"中 国", 0, 0));
}

// Looks a Latin query up through the index with every setting and expects what the whole table
// says wherever the index answers; counts the lookups answered, those that found something and
// those left to the table as too broad.
struct LatinTally {
  int answered = 0, found = 0, broad = 0;
};
void ExpectLatinAsTheWholeTable(const std::u16string& query, LatinTally* tally)
{
  for (int setting = 0; setting < 4; setting++) {
    int matchCase = setting & 1, wholeWord = setting >> 1;
    std::vector<Told> scanned = Scanned(query, matchCase, wholeWord);
    int hits = 0;
    for (const Told& told : scanned) hits += told.code >= 0;
    g_status = -1;
    int through = Indexed(query, matchCase, wholeWord);
    ASSERT_NE(-1, through) << "the index was refused";
    if (through == INDEX_TOO_BROAD) {
      EXPECT_TRUE(g_told.empty());
      tally->broad++;
      continue;
    }
    tally->answered++;
    tally->found += through;
    EXPECT_EQ(hits > 0 ? 1 : 0, through);
    EXPECT_EQ(LOAD_OK, g_status);  // told even when nothing is found
    EXPECT_TRUE(through == 1 ? g_told == scanned : g_told.empty()) << "a query of " << query.size() << " units";
  }
}

// Latin queries through the index's lists of three-unit pieces: words made of random letters,
// so that most pieces are rare and the index answers most queries; each query a piece of an
// entry's text, as it stands, with one unit changed (where the search accepts a mismatch and
// where it does not) or in other case. Where the index answers, it says what the whole table
// says; a query too broad for it is left to the table.
TEST(LookupIndex, AnswersLatinQueriesAsTheWholeTable)
{
  std::mt19937 random(7);
  std::vector<std::u16string> lines;
  for (int i = 0; i < 4000; i++) {
    std::u16string definition;
    for (int w = 1 + (int)(random() % 4); w > 0; w--) {
      if (!definition.empty()) definition += random() % 3 ? u" " : u"/";
      for (int k = 2 + (int)(random() % 8); k > 0; k--)
        definition += (char16_t)((random() % 5 ? u'a' : u'A') + random() % 26);
    }
    lines.push_back(u"中" + std::u16string(1, (char16_t)(0x4E00 + i % 500)) + u" [zi4] /" + definition + u"/");
  }
  FolderWith(lines);
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(-1, Indexed(u"abcde", 0, 0));  // no index yet
  KeepLookupIndex(u"cedict.gb.dat");
  LatinTally tally;
  for (int q = 0; q < 600; q++) {
    std::u16string text = EntryText((int)(random() % EntryTable.Count));
    size_t from = text.find(u'/') + 1, units = 3 + random() % 10;
    if (from + units > text.size()) continue;
    std::u16string query = text.substr(from + random() % (text.size() - from - units + 1), units);
    if (q % 3 == 1) query[random() % units] = (char16_t)(u'a' + random() % 26);
    if (q % 5 == 2 && query[0] >= u'A') query[0] = (char16_t)(query[0] ^ 0x20);
    ExpectLatinAsTheWholeTable(query, &tally);
  }
  EXPECT_GT(tally.answered, 1500);
  EXPECT_GT(tally.found, 500);
  EXPECT_EQ(INDEX_TOO_BROAD, Indexed(u"zi4", 0, 0));  // every entry holds it
  EXPECT_EQ(0, Indexed(u"zi", 0, 0));                // two units: not for the index
}

// Long lists: every definition holds one of three common words (lists of some 1,300 entries) and
// a rare one, so that a query of both reads a few entries of the common word's lists, which
// the lookup passes through by the places the lists keep of every 64th entry.
TEST(LookupIndex, AnswersQueriesOfRareAndCommonWordsAsTheWholeTable)
{
  std::mt19937 random(11);
  const std::u16string common[] = {u"often", u"mostly", u"always"};
  std::vector<std::u16string> lines;
  for (int i = 0; i < 4000; i++) {
    std::u16string rare;
    for (int k = 4 + (int)(random() % 4); k > 0; k--) rare += (char16_t)(u'a' + random() % 26);
    const std::u16string& word = common[random() % 3];
    lines.push_back(u"中 [zhong1] /" + (i % 2 ? rare + u" " + word : word + u" " + rare) + u"/");
  }
  FolderWith(lines);
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  LatinTally tally;
  for (int q = 0; q < 300; q++) {
    std::u16string text = EntryText((int)(random() % EntryTable.Count));
    size_t from = text.find(u'/') + 1, to = text.find(u'#', from), units = 9 + random() % 4;
    if (to - from < units) continue;
    std::u16string query = text.substr(from + random() % (to - from - units + 1), units);
    if (q % 4 == 1) query[units - 1 - random() % 5] = (char16_t)(u'a' + random() % 26);
    ExpectLatinAsTheWholeTable(query, &tally);
  }
  EXPECT_GT(tally.answered, 600);
  EXPECT_GT(tally.found, 400);
}

// Vouches for an index file's body as it now stands, as a hostile writer could: the hash of
// every 4 KiB page of its body, the hash of those, the header's own hash. The header: eight
// bytes, nine numbers (the file's size the seventh, then the two hashes); the page hashes;
// the body.
void VouchForIndex(std::vector<BYTE>* index)
{
  const size_t header = 8 + 9 * 8, fileBytes = index->size();
  size_t pages = 0;
  while (header + (pages + 1) * 8 + pages * 4096 < fileBytes) pages++;
  BYTE* hashes = index->data() + header;
  const BYTE* body = hashes + pages * 8;
  const size_t bodyBytes = fileBytes - header - pages * 8;
  ASSERT_EQ(pages, (bodyBytes + 4095) / 4096);
  for (size_t page = 0; page < pages; page++) {
    uint64_t hash = TableHashOf(body + page * 4096, std::min<size_t>(4096, bodyBytes - page * 4096));
    memcpy(hashes + page * 8, &hash, 8);
  }
  uint64_t content = TableHashOf(hashes, pages * 8);
  memcpy(index->data() + 8 + 7 * 8, &content, 8);
  uint64_t own = TableHashOf(index->data(), 8 + 8 * 8);
  memcpy(index->data() + 8 + 8 * 8, &own, 8);
}

// An index whose bytes were changed and whose hashes were made to match them is believed, but
// never leads outside itself or the table: what a lookup through it finds is a part of what
// the whole table finds, in the same order, or it is refused. Most changes fall on the long
// Latin lists (the common words' pieces, some 300 entries each, each list starting with where
// every 64th of its entries starts), the others anywhere in the body.
TEST(LookupIndex, AnIndexChangedWithItsHashesLeadsOnlyToWhatTheTableHolds)
{
  std::mt19937 random(13);
  const std::u16string common[] = {u"often",  u"mostly",  u"always", u"seldom", u"rarely",
                                   u"hardly", u"usually", u"nearly", u"twice",  u"again"};
  std::vector<std::u16string> lines;
  for (int i = 0; i < 3000; i++) {
    std::u16string rare;
    for (int k = 4 + (int)(random() % 3); k > 0; k--) rare += (char16_t)(u'a' + random() % 26);
    lines.push_back(std::u16string(1, (char16_t)(0x4E00 + i % 40)) + u"中 [zhong1] /" + rare + u" " +
                    common[random() % 10] + u"/");
  }
  std::string folder = FolderWith(lines);
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  const std::string indexPath = folder + "cedict.gb.dat.table.index";
  const std::vector<BYTE> good = ReadBytes(indexPath);
  ASSERT_FALSE(good.empty());
  // The Latin part ends the file: where each list starts (65,537 numbers), how many entries
  // each holds (65,536), the lists (the header's sixth number of bytes).
  uint64_t latinBytes = 0;
  memcpy(&latinBytes, good.data() + 8 + 5 * 8, sizeof latinBytes);
  const size_t lists = good.size() - (size_t)latinBytes, counts = lists - 65536 * 4, starts = counts - 65537 * 4;
  std::vector<size_t> longLists;  // bucket numbers
  for (size_t b = 0; b < 65536; b++) {
    uint32_t count;
    memcpy(&count, good.data() + counts + b * 4, 4);
    if (count >= 64 && count <= 1500) longLists.push_back(b);
  }
  ASSERT_GE(longLists.size(), 9u);
  int believed = 0, refused = 0;
  for (int trial = 0; trial < 300; trial++) {
    // The end of a rare word and the common one after it; a Chinese unit every entry holds;
    // two, which some hold.
    const std::u16string text = EntryText((int)(random() % EntryTable.Count));
    const std::u16string queries[] = {text.substr(text.find(u' ', 13) - 2, text.find(u'#') - text.find(u' ', 13) + 2),
                                      u"中", std::u16string(1, (char16_t)(0x4E00 + random() % 40)) + u"中"};
    std::vector<BYTE> bad = good;
    for (int changes = 1 + (int)(random() % 2); changes > 0; changes--) {
      size_t at = 8 + 9 * 8 + random() % (lists - 80);
      if (trial % 4) {
        uint32_t from, to;
        const size_t b = longLists[random() % longLists.size()];
        memcpy(&from, good.data() + starts + b * 4, 4);
        memcpy(&to, good.data() + starts + b * 4 + 4, 4);
        at = lists + from + random() % (trial % 2 ? 64 : to - from);  // its skips, or anywhere in it
      }
      bad[at] = (BYTE)(trial % 3 ? bad[at] ^ (1 << (random() % 8)) : random());
    }
    VouchForIndex(&bad);
    WriteBytes(indexPath, bad);
    for (const std::u16string& query : queries) {
      std::vector<Told> whole = Scanned(query, 0, 0);
      int answer = Indexed(query, 0, 0);
      refused += answer == -1;
      if (answer != 1) {
        EXPECT_TRUE(g_told.empty());
        continue;
      }
      believed++;
      // A subsequence of the whole table's results, ending as it does.
      size_t k = 0;
      for (const Told& told : g_told) {
        if (told.code < 0) continue;
        while (k < whole.size() && !(whole[k] == told)) k++;
        ASSERT_LT(k, whole.size()) << "trial " << trial << ": entry " << told.code << " is not a result";
      }
      EXPECT_EQ(-1, g_told.back().code);
    }
  }
  EXPECT_GT(believed, 600);
  EXPECT_GT(refused, 5);  // some changes were read, and found impossible
}

// Twelve thousand entries holding 中, each found: the lookup's lists (its candidates, their
// places and blocks, its results) outgrow the room set apart for them and go on among the
// blocks it reads, which must not take the same room.
TEST(LookupIndex, ALookupOfThousandsOfEntriesAnswersAsTheWholeTable)
{
  std::vector<std::u16string> lines;
  for (int i = 0; i < 12000; i++)
    lines.push_back(u"中" + std::u16string(1, (char16_t)(0x4E00 + i % 3000)) + u" [zhong1] /middle " +
                    std::u16string(1 + i % 7, (char16_t)(u'a' + i % 26)) + u"/");
  FolderWith(lines);
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  for (const std::u16string& query : {std::u16string(u"中"), std::u16string(u"中丁")}) {
    std::vector<Told> scanned = Scanned(query, 0, 0);
    ASSERT_EQ(1, Indexed(query, 0, 0));
    EXPECT_TRUE(g_told == scanned) << g_told.size() << " calls against " << scanned.size();
  }
}

TEST(LookupIndex, ADamagedOrStaleTableOrIndexIsRefusedAndMadeAgain)
{
  std::vector<std::u16string> lines;
  for (int i = 0; i < 400; i++) lines.push_back(u"中" + std::u16string(1, (char16_t)(0x4E00 + i)) + u" [zhong1] /middle/");
  std::string folder = FolderWith(lines);
  EXPECT_EQ(-1, Indexed(u"中", 0, 0));  // nothing kept yet
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  std::vector<Told> scanned = Scanned(u"中丁", 0, 0);
  ASSERT_EQ(1, Indexed(u"中丁", 0, 0));
  EXPECT_TRUE(g_told == scanned);
  EXPECT_EQ(LOAD_OK, g_status);

  std::string table = folder + "cedict.gb.dat.table", index = table + ".index", packed = table + ".packed";
  std::vector<BYTE> goodTable = ReadBytes(table), goodIndex = ReadBytes(index), goodPacked = ReadBytes(packed);
  ASSERT_FALSE(goodPacked.empty());  // made as the index was, and read instead of the table
  // One unit of the entry found ("middle" to "middlf"), a byte of the index's postings for 丁
  // (entry 1, the only one that holds it), the index cut short: each is refused,
  // and the table loaded and the index made again. (The table's packed copy, whole, would
  // answer instead of the damaged table: it goes first.)
  for (int damage = 0; damage < 3; damage++) {
    std::vector<BYTE> bad = damage == 0 ? goodTable : goodIndex;
    if (damage == 0) {
      std::u16string text(reinterpret_cast<const char16_t*>(bad.data()), bad.size() / 2);
      size_t at = text.find(u"中丁 [zhong1] /middle");
      ASSERT_NE(std::u16string::npos, at);
      bad[2 * (at + 18)] = 'f';
    } else if (damage == 1) {
      // The units' postings (16 bytes each, the entry first) end before the page padding that
      // ends the Chinese part: the records (8 bytes an entry), the directory and the postings
      // (the header's fourth and fifth numbers). The Latin part follows it (its two
      // directories and its lists, the sixth number).
      uint64_t count = 0, postingCount = 0, latinBytes = 0;
      memcpy(&count, bad.data() + 8 + 2 * 8, sizeof count);
      memcpy(&postingCount, bad.data() + 8 + 4 * 8, sizeof postingCount);
      memcpy(&latinBytes, bad.data() + 8 + 5 * 8, sizeof latinBytes);
      const size_t used = count * 8 + (((0x10000 - LOOKUP_INDEX_FIRST_UNIT + 1) * 4 + 7) & ~(size_t)7) + postingCount * 16;
      auto postingsEnd = bad.end() - (ptrdiff_t)(latinBytes + 4 * (2 * 65536 + 1) + (4096 - used % 4096) % 4096);
      auto at = postingsEnd - 16 * 800;
      while (at < postingsEnd && !(at[0] == 1 && at[1] == 0 && at[2] == 0 && at[3] == 0)) at += 16;
      ASSERT_NE(postingsEnd, at);
      at[1] ^= 1;
    } else {
      bad.resize(bad.size() - 4);
    }
    if (damage == 0) std::remove(packed.c_str());
    WriteBytes(damage == 0 ? table : index, bad);
    EXPECT_EQ(-1, Indexed(u"中丁", 0, 0)) << damage;
    EXPECT_TRUE(g_told.empty()) << damage;
    LoadDictionary(u"cedict.gb.dat");
    KeepLookupIndex(u"cedict.gb.dat");
    EXPECT_EQ(1, Indexed(u"中丁", 0, 0)) << damage;
    EXPECT_TRUE(g_told == scanned) << damage;
  }

  // A read of the index that fails once its header and page hashes are in (the disk, or the
  // file cut short under the lookup) is refused like a damaged page, never taken as empty.
  platform::FileFaults faults;
  faults.pathContains = ".table.index";
  faults.readBudget = 80 + 8 * (long long)((goodIndex.size() - 80 + 4103) / 4104) + 100;  // header, hashes, a piece
  platform::SetFileFaults(faults);
  EXPECT_EQ(-1, Indexed(u"中丁", 0, 0));
  EXPECT_TRUE(g_told.empty());
  platform::ClearFileFaults();
  EXPECT_EQ(1, Indexed(u"中丁", 0, 0));

  // The entry's unit damaged in the packed copy: the lookup answers from the table, and the copy
  // is removed, to be made again by the next reading of the table through; cut short, the copy
  // is passed over.
  ASSERT_FALSE(ReadBytes(packed).empty());
  const std::string middle = " [zhong1] /middle";
  for (int damage = 0; damage < 2; damage++) {
    std::vector<BYTE> bad = goodPacked;
    if (damage == 0) {
      auto at = std::search(bad.begin(), bad.end(), middle.begin(), middle.end());  // entry 0's
      at = std::search(at + 1, bad.end(), middle.begin(), middle.end());            // entry 1's
      ASSERT_NE(bad.end(), at);
      at[middle.size() - 1] = 'f';
    } else {
      bad.resize(bad.size() / 2);
    }
    WriteBytes(packed, bad);
    ASSERT_EQ(1, Indexed(u"中丁", 0, 0)) << damage;
    EXPECT_TRUE(g_told == scanned) << damage;
    EXPECT_EQ(damage == 0, ReadBytes(packed).empty()) << damage;
  }

  // The database rewritten: the table and its index are stale.
  lines[1] = u"中丁 [zhong1] /middle again/";
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage(lines));
  EXPECT_EQ(-1, Indexed(u"中丁", 0, 0));
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  ASSERT_EQ(1, Indexed(u"中丁", 0, 0));
  EXPECT_EQ(u"中丁 [zhong1] /middle again#zhong", g_told.back().code == -1 ? g_told[g_told.size() - 2].text : u"");
}

int ReadThrough(const std::u16string& query, int matchCase, int wholeWord, int pinyin = 0)
{
  g_told.clear();
  g_status = -1;
  return FindThroughTableFile(u"cedict.gb.dat", query.c_str(), matchCase, wholeWord, pinyin, Status, Tell);
}

// A lookup through the kept files: query, match case, whole word, PinYin; its answer.
using KeptLookup = std::function<int(const std::u16string&, int, int, int)>;

// Every query of one to sixteen units taken from the loaded table's entries, in each case,
// whole-word and PinYin setting, and a few that find nothing.
void ExpectAsTheWholeTable(int queries, const KeptLookup& lookUp = ReadThrough)
{
  std::mt19937 random(11);
  std::set<std::u16string> chosen = {u"xyzzy", u"a", u"to eat", u"Z", u"zhong", u"zhong guo", u"wang", u"king"};
  while ((int)chosen.size() < queries) {
    std::u16string text = EntryText((int)(random() % EntryTable.Count));
    size_t at = random() % text.size(), units = 1 + random() % 16;
    chosen.insert(text.substr(at, units));
  }
  for (const std::u16string& query : chosen)
    for (int setting = 0; setting < 8; setting++) {
      int matchCase = setting & 1, wholeWord = (setting >> 1) & 1, pinyin = setting >> 2;
      std::vector<Told> scanned = Scanned(query, matchCase, wholeWord, pinyin);
      int found = 0;
      for (const Told& told : scanned) found += told.code >= 0;
      ASSERT_EQ(found > 0 ? 1 : 0, lookUp(query, matchCase, wholeWord, pinyin)) << "a query of " << query.size();
      EXPECT_TRUE(found > 0 ? g_told == scanned : g_told.empty()) << "a query of " << query.size();
      EXPECT_EQ(LOAD_OK, g_status);
    }
}

// Lines of every size, some longer than the pieces a table is read or written in.
std::vector<std::u16string> LinesOfEverySize(int count, int longEvery)
{
  std::mt19937 random(3);
  // Latin words beside other units too: a boundary of U+3014..U+3016, a vowel with a tone mark,
  // a character straight before a word.
  const char16_t* words[] = {u"to",     u"eat",  u"China",     u"beautiful", u"compute",
                             u"Wang",   u"king", u"(bird)",    u"〔king〕",  u"Zhōng", u"中king"};
  std::vector<std::u16string> lines;
  for (int i = 0; i < count; i++) {
    std::u16string definition;
    for (int k = (i % longEvery == 5 ? 6000 : 1 + (int)(random() % 12)); k > 0; k--)
      definition += std::u16string(words[random() % 11]) + (random() % 5 ? u" " : u"/");
    const char16_t* sounds[] = {u"zhong1", u"wang2 guo2", u"zhong1 guo2 ren2", u"chi1"};
    lines.push_back(u"中" + std::u16string(1, (char16_t)(0x4E00 + i % 300)) + u" [" + sounds[i % 4] + u"] /" + definition + u"/");
  }
  return lines;
}

TEST(TableSearch, ReadsTheKeptTableThroughAsTheWholeTableSearchesIt)
{
  FolderWith(LinesOfEverySize(2000, 97));
  EXPECT_EQ(-1, ReadThrough(u"king", 0, 0));  // nothing kept yet
  EXPECT_EQ(-1, g_status);
  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  ExpectAsTheWholeTable(150);

  if (!FullDictionaryFolder().empty()) {
    LoadDictionary(u"cedict.gb.dat");
    ExpectAsTheWholeTable(40);
  }
}

// PinYin as a learner types it (syllables run together, tone digits in them): the read-through
// of the text and its rewrites answers as the loaded table's search does, the rewrites only
// when the text as typed finds nothing, each result once.
TEST(TableSearch, PinyinAndItsRewritesReadThroughAsTheLoadedTableFindsThem)
{
  std::vector<std::u16string> lines = LinesOfEverySize(600, 97);
  // Found by both ways of cutting fangan: fang an and fan gan.
  lines.push_back(u"翻方 [fan1 gan1 fang1 an1] /both/");
  lines.push_back(u"方 [fang1 an1] /one/");
  // huian is found as typed: hui an is not searched.
  lines.push_back(u"会 [huian1] /as typed/");
  lines.push_back(u"回 [hui1 an1] /rewritten/");
  const std::string table = FolderWith(lines) + "cedict.gb.dat.table";
  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  int rewritten = 0;
  for (const char16_t* typed : {u"zhongguo", u"zhong1guo2ren2", u"zhongguoren", u"wangguo", u"chi1", u"zhong1", u"guo",
                                u"zzz", u"wang2guo2", u"fangan", u"huian"}) {
    for (int setting = 0; setting < 4; setting++) {
      const int matchCase = setting & 1, wholeWord = setting >> 1;
      g_told.clear();
      FindEntries(typed, matchCase, wholeWord, 1, 0, 1, Tell, nullptr);
      std::vector<Told> loaded = g_told;
      std::vector<std::u16string> forms = {typed};
      std::vector<std::u16string> rewrites = PinyinRewrites(typed, (int)std::char_traits<char16_t>::length(typed));
      forms.insert(forms.end(), rewrites.begin(), rewrites.end());
      rewritten += Scanned(typed, matchCase, wholeWord, 1).size() <= 1 && forms.size() > 1;
      g_told.clear();
      int found = FindFormsThroughTableFile(u"cedict.gb.dat", forms, matchCase, wholeWord, 1, Status, Tell, true);
      // The read-through has no call at all when nothing is found.
      const bool results = std::any_of(loaded.begin(), loaded.end(), [](const Told& told) { return told.code >= 0; });
      ASSERT_EQ(results ? 1 : 0, found) << std::string(typed, typed + 3);
      if (found) {
        EXPECT_TRUE(g_told == loaded) << std::string(typed, typed + 3) << " " << setting;
      }
      // The same while a new database's table is kept.
      std::remove(table.c_str());
      g_told.clear();
      ASSERT_EQ(found, FindFormsWhileKeepingTable(u"cedict.gb.dat", forms, matchCase, wholeWord, 1, Status, Tell, true));
      if (found) {
        EXPECT_TRUE(g_told == loaded) << std::string(typed, typed + 3) << " " << setting << " kept";
      }
    }
  }
  EXPECT_GT(rewritten, 8);
}

// A new database's table searched piece by piece as it is written (several pieces of 2 MiB).
TEST(TableSearch, SearchesATableAsItIsWrittenAsTheWholeTableSearchesIt)
{
  std::string table = FolderWith(LinesOfEverySize(2400, 40)) + "cedict.gb.dat.table";
  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  ASSERT_GT(ReadBytes(table).size(), (size_t)4 << 20);  // three pieces
  std::vector<BYTE> kept = ReadBytes(table);
  ExpectAsTheWholeTable(16, [&table](const std::u16string& query, int matchCase, int wholeWord, int pinyin) {
    std::remove(table.c_str());
    g_told.clear();
    g_status = -1;
    return FindWhileKeepingTable(u"cedict.gb.dat", query.c_str(), matchCase, wholeWord, pinyin, Status, Tell);
  });
  EXPECT_TRUE(ReadBytes(table) == kept);
  EXPECT_EQ(-1, FindWhileKeepingTable(u"cedict.gb.dat", u"king", 0, 0, 0, Status, Tell));  // one is kept already
}

TEST(TableSearch, ADamagedStaleOrShortTableIsRefused)
{
  std::vector<std::u16string> lines;
  for (int i = 0; i < 300; i++) lines.push_back(u"王" + std::u16string(1, (char16_t)(0x4E00 + i)) + u" [wang2] /king/");
  std::string folder = FolderWith(lines);
  LoadDictionary(u"cedict.gb.dat");
  FreeDictionary();
  std::string table = folder + "cedict.gb.dat.table";
  std::vector<BYTE> good = ReadBytes(table);
  ASSERT_EQ(1, ReadThrough(u"king", 0, 0));
  // A byte of the header's content hash, of an entry, of the slack, of the marks (the last
  // 1,200 bytes); the table cut short.
  const size_t marks = 300 * sizeof(ENTRY_MARKS);
  for (size_t at : {(size_t)200, good.size() / 2, good.size() - marks - 16, good.size() - 3, good.size()}) {
    std::vector<BYTE> bad = good;
    if (at < good.size())
      bad[at] ^= 4;
    else
      bad.resize(bad.size() - 2);
    WriteBytes(table, bad);
    std::remove((table + ".packed").c_str());  // no packed copy to read instead
    EXPECT_EQ(-1, ReadThrough(u"king", 0, 0)) << at;
    EXPECT_TRUE(g_told.empty()) << at;
    EXPECT_EQ(-1, g_status) << at;
    EXPECT_TRUE(ReadBytes(table + ".packed").empty()) << at;  // none made from a damaged table
  }
  WriteBytes(table, good);
  EXPECT_EQ(1, ReadThrough(u"king", 0, 0));
  lines[0] = u"王一 [wang2] /king again/";  // the database rewritten: the table is stale
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage(lines));
  EXPECT_EQ(-1, ReadThrough(u"king", 0, 0));
}

// The packed copy of the table that read-throughs make and then read: one that is damaged (its
// header, its pieces' sizes, a piece's own header, a unit, the marks, cut short) or belongs to
// another table is passed over, the lookup answers from the table as the whole table would,
// and the copy is made again as it was.
TEST(TableSearch, ADamagedOrStalePackedCopyIsPassedOverAndMadeAgain)
{
  // Chinese definitions first (a piece kept as its units), then Latin ones (pieces of bytes and patches).
  std::vector<std::u16string> lines;
  for (int i = 0; i < 1500; i++) {
    std::u16string chinese;
    for (int k = 0; k < 30; k++) chinese += (char16_t)(0x4E00 + (i * 7 + k) % 500);
    lines.push_back(u"王" + std::u16string(1, (char16_t)(0x4E00 + i % 300)) + u" [wang2] /king " + chinese + u"/");
  }
  for (const std::u16string& line : LinesOfEverySize(3000, 97)) lines.push_back(line);
  const std::string folder = FolderWith(lines), table = folder + "cedict.gb.dat.table", packed = table + ".packed";
  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  auto expectAnswers = [](const std::string& what) {
    for (int pinyin = 1; pinyin >= 0; pinyin--)
      for (const char16_t* query : {pinyin ? u"wang2" : u"king", pinyin ? u"zhong" : u"china"}) {
        std::vector<Told> scanned = Scanned(query, 0, 0, pinyin);
        ASSERT_EQ(1, ReadThrough(query, 0, 0, pinyin)) << what;
        EXPECT_TRUE(g_told == scanned) << what;
      }
  };
  ASSERT_TRUE(ReadBytes(packed).empty());
  expectAnswers("made");
  const std::vector<BYTE> good = ReadBytes(packed);
  ASSERT_FALSE(good.empty());
  EXPECT_LT(good.size(), ReadBytes(table).size() * 3 / 4);
  // The header (88 bytes), the pieces' sizes, then the pieces: the first one's header, a unit of
  // the first (kept as units) and of the second (its patches at its end), and the first entry's
  // marks (where its pronunciation starts: a PinYin search would miss it).
  uint64_t pieces = 0;
  uint32_t sizes[2];
  memcpy(&pieces, good.data() + 40, sizeof pieces);
  memcpy(sizes, good.data() + 88, sizeof sizes);
  ASSERT_GE(pieces, 3u);
  const size_t first = 88 + 4 * pieces;
  ASSERT_GT(sizes[0], 100000u);  // the Chinese piece is kept as its units
  for (size_t at : {(size_t)12, (size_t)90, first, first + 5000, first + sizes[0] + sizes[1] - 7,
                    good.size() - 4 * lines.size(), good.size()}) {
    std::vector<BYTE> bad = good;
    if (at < good.size())
      bad[at] ^= 4;
    else
      bad.resize(bad.size() - 8);
    WriteBytes(packed, bad);
    expectAnswers(std::to_string(at));
    EXPECT_TRUE(ReadBytes(packed) == good) << at;
  }
  // A read of the copy that fails midway: the table is read instead, and the copy made again. A
  // disk that fills while it is written: the answers are the table's, and nothing is left behind.
  platform::FileFaults faults;
  faults.pathContains = ".packed";
  faults.readBudget = 200000;
  platform::SetFileFaults(faults);
  expectAnswers("a read fails");
  platform::ClearFileFaults();
  EXPECT_TRUE(ReadBytes(packed) == good);
  std::remove(packed.c_str());
  faults.readBudget = -1;
  faults.writeBudget = 100000;
  platform::SetFileFaults(faults);
  expectAnswers("the disk full");
  platform::ClearFileFaults();
  for (const auto& file : std::filesystem::directory_iterator(folder))
    EXPECT_EQ(std::string::npos, file.path().string().find(".packed")) << file.path();
  // Another table: the database rewritten, its table and copy made again.
  lines[1] = u"王一 [wang2] /king again/";
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage(lines));
  LoadDictionary(u"cedict.gb.dat");
  expectAnswers("stale");
  EXPECT_FALSE(ReadBytes(packed) == good);
  expectAnswers("remade");
}

}  // namespace
