// The engine against the literal reference scan: same calls to the sink, in the
// same order, for many queries, every switch combination and every vector path.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "device/dictionary/best_match.h"
#include "device/dictionary/find_entries.h"
#include "device/dictionary/pinyin_input.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/dictionary_fixture.h"
#include "tests/dictionary/full_dictionary.h"
#include "tests/dictionary/reference_scan.h"

namespace {

const char16_t Hanzi[] = u"中国人民华和共个点一猫吃钟两瓷器\u3014\u3015\u3016";
const char16_t Marks[] = u" /#.,;[]()-:'|";
const char* const Words[] = {"china", "China", "chinaware", "Chinese", "person", "people", "a", "an", "to", "eat",
                             "eats", "the", "bit", "little", "xiang", "liang", "zhong", "guo", "hello", "C#",
                             "U.S.", "e.g.", "x", "internationally", "to eat", "Zhong guo"};

class Generator {
 public:
  explicit Generator(unsigned seed) : random(seed) {}

  int Below(int n) { return (int)(random() % (unsigned)n); }
  bool Chance(int percent) { return Below(100) < percent; }

  char16_t AnyUnit()
  {
    switch (Below(5)) {
      case 0: return Hanzi[Below(sizeof Hanzi / 2 - 1)];
      case 1: return Marks[Below(sizeof Marks / 2 - 1)];
      case 2: return (char16_t)(u'0' + Below(10));
      case 3: return (char16_t)(u'A' + Below(26));
      default: return Chance(3) ? (char16_t)(0xFF + Below(3)) : (char16_t)(u'a' + Below(26));
    }
  }

  std::u16string Word() { return Widen(Words[Below(sizeof Words / sizeof Words[0])]); }

  std::u16string Line()
  {
    if (Chance(2)) return u"";
    std::u16string line;
    for (int i = 1 + Below(4); i > 0; i--) line += Hanzi[Below(sizeof Hanzi / 2 - 4)];
    if (!Chance(4)) {
      line += u" [";
      for (int s = 1 + Below(3); s > 0; s--) {
        std::u16string syllable = Chance(30) ? Word() : std::u16string(1, (char16_t)(u'a' + Below(26)));
        line += syllable + (char16_t)(u'1' + Below(5)) + (s > 1 ? u" " : u"");
      }
      if (!Chance(3)) line += u"]";
    }
    line += u" /";
    for (int d = 1 + Below(4); d > 0; d--) {
      if (Chance(15)) line += u"(note) ";
      for (int w = 1 + Below(4); w > 0; w--) {
        line += Chance(10) ? std::u16string(1, AnyUnit()) : Word();
        if (w > 1) line += Chance(15) ? std::u16string(1, Marks[Below(sizeof Marks / 2 - 1)]) : u" ";
      }
      if (Chance(8)) line += u" see 個|个[ge4]";
      line += u"/";
    }
    return line;
  }

  // A piece of some entry's text, maybe with one unit mistyped or case changed.
  std::u16string Query()
  {
    if (Chance(10)) return Word();
    const DictionaryEntry* entry = EntryTable.Entries[Below(EntryTable.Count)];
    int length = entry[0];
    int n = 1 + Below(17);
    if (n > length) n = length;
    int start = Below(length - n + 1);
    std::u16string query(entry + 1 + start, n);
    if (Chance(50) && n > 0) query[Below(n)] = AnyUnit();
    if (Chance(25))
      for (char16_t& c : query)
        if (c >= u'a' && c <= u'z' && Chance(50)) c -= 32;
    return query;
  }

  std::mt19937 random;
};

std::vector<SinkCall> RunReference(const std::u16string& query, int mc, int ww, int py, std::u16string* folded)
{
  *folded = query;
  SinkCalls.clear();
  ReferenceSearch(folded->data(), mc, ww, py, RecordSink);
  return SinkCalls;
}

std::vector<SinkCall> RunEngine(const std::u16string& query, int mc, int ww, int py, std::u16string* folded)
{
  *folded = query;
  SinkCalls.clear();
  SearchDictionary(folded->data(), mc, ww, py, RecordSink);
  return SinkCalls;
}

std::vector<int> SupportedPaths()
{
  std::vector<int> paths;
  for (int path : {SEARCH_PATH_PORTABLE, SEARCH_PATH_SSE2, SEARCH_PATH_AVX2})
    if (SearchPathSupported(path)) paths.push_back(path);
  return paths;
}

std::string Utf8(const std::u16string& text)
{
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += (char)c;
    } else if (c < 0x800) {
      out += (char)(0xC0 | (c >> 6));
      out += (char)(0x80 | (c & 0x3F));
    } else {
      out += (char)(0xE0 | (c >> 12));
      out += (char)(0x80 | ((c >> 6) & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The entries whose headword (up to the first space, bracket, slash or '#') holds query.
std::set<int> HeadwordsHolding(const std::u16string& query)
{
  std::set<int> found;
  for (int e = 0; e < EntryTable.Count; e++) {
    std::u16string text = EntryText(e);
    std::u16string headword = text.substr(0, text.find_first_of(u" [/#", 1));
    if (headword.find(query) != std::u16string::npos) found.insert(e);
  }
  return found;
}

// Best matches off: the reference's calls exactly while it finds anything. On: the reference's
// results for the query and its pinyin rewrites, plus the headwords holding a Chinese query,
// each once, in tiers that never go back.
void CompareFindEntries(const std::u16string& query, int mc, int ww, int py, const std::vector<SinkCall>& expected)
{
  std::vector<SinkCall> reference = expected;
  std::u16string copy = query;
  SinkCalls.clear();
  FindEntries(copy.c_str(), mc, ww, py, 0, 0, RecordSink, nullptr);
  bool found = std::any_of(reference.begin(), reference.end(), [](const SinkCall& c) { return c.code >= 0; });
  if (found) {
    ASSERT_EQ(reference, SinkCalls) << "Best matches off";
  }

  std::vector<std::u16string> forms{query};
  if (py)
    for (const std::u16string& rewrite : PinyinRewrites(query.c_str(), (int)query.size())) forms.push_back(rewrite);
  std::set<int> want;
  for (const std::u16string& form : forms) {
    std::u16string folded;
    RunReference(form, mc, ww, py, &folded);
    for (int e : ResultIndices()) want.insert(e);
  }
  if (!ww && IsChineseText(query.c_str(), (int)query.size()))
    for (int e : HeadwordsHolding(query)) want.insert(e);
  copy = query;
  SinkCalls.clear();
  FindEntries(copy.c_str(), mc, ww, py, 1, 0, RecordSink, nullptr);
  std::vector<int> got = ResultIndices();
  ASSERT_EQ(SinkCalls.back().code, -1);
  ASSERT_EQ(want, std::set<int>(got.begin(), got.end())) << "Best matches on";
  ASSERT_EQ(want.size(), got.size()) << "an entry listed twice";
  std::vector<std::u16string> folded;
  for (std::u16string form : forms) {
    if (!mc)
      for (char16_t& c : form) c = c >= u'A' && c <= u'Z' ? c + 32 : c;
    folded.push_back(form);
  }
  for (size_t k = 1; k < got.size(); k++)
    ASSERT_LE(MatchTier(got[k - 1], folded, mc, py), MatchTier(got[k], folded, mc, py)) << "result " << k;
}

// Compares reference and engine for each query and switch combination.
void Compare(const std::vector<std::u16string>& queries, const std::vector<int>& combinations)
{
  for (const std::u16string& query : queries) {
    for (int combination : combinations) {
      int mc = combination & 1, ww = (combination >> 1) & 1, py = (combination >> 2) & 1;
      SCOPED_TRACE("query \"" + Utf8(query) + "\" match case " + std::to_string(mc) + " whole word " +
                   std::to_string(ww) + " pinyin " + std::to_string(py));
      std::u16string referenceQuery, engineQuery;
      std::vector<SinkCall> expected = RunReference(query, mc, ww, py, &referenceQuery);
      for (int path : SupportedPaths()) {
        SCOPED_TRACE("path " + std::to_string(path));
        ASSERT_TRUE(SetSearchPath(path));
        std::vector<SinkCall> actual = RunEngine(query, mc, ww, py, &engineQuery);
        ASSERT_EQ(referenceQuery, engineQuery);
        ASSERT_EQ(expected.size(), actual.size());
        for (size_t k = 0; k < expected.size(); k++) ASSERT_EQ(expected[k], actual[k]) << "call " << k;
      }
      SetSearchPath(SEARCH_PATH_AUTO);
      CompareFindEntries(query, mc, ww, py, expected);
    }
  }
  SetSearchPath(SEARCH_PATH_AUTO);
}

TEST(Differential, RandomDictionaryEveryCombinationEveryPath)
{
  InitMatchWeights();
  Generator generate(20240611);
  std::vector<std::u16string> lines;
  for (int i = 0; i < 2100; i++) lines.push_back(generate.Line());
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage(lines)));

  std::vector<std::u16string> queries;
  for (int q = 0; q < 150; q++) queries.push_back(generate.Query());
  Compare(queries, {0, 1, 2, 3, 4, 5, 6, 7});
}

TEST(Differential, ShortEntriesAndQueriesAtTheirLimits)
{
  InitMatchWeights();
  // Entries as short as the query or shorter, texts ending right at a window.
  std::vector<std::u16string> lines = {u"a", u"ab", u"a/", u"[a]", u"x [a]", u"x [ab]/", u"中", u"中国/",
                                       u"x [abcdefghijklmnop] /abcdefghijklmno/", u"#", u"[#]", u"/ /"};
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage(lines)));
  Compare({u"a", u"ab", u"a#", u"#", u"#a", u"中", u"中国", u"abcdefghijklmno", u"abcdefghijklmnoz",
           u"bcdefghijklmnop", u" ", u"/", u"[", u"]#"},
          {0, 1, 2, 3, 4, 5, 6, 7});
}

// What the sink was told, with the texts themselves instead of where they were.
std::vector<std::pair<int, std::u16string>> Told(const std::vector<SinkCall>& calls)
{
  std::vector<std::pair<int, std::u16string>> told;
  for (const SinkCall& call : calls) told.emplace_back(call.code, call.text ? std::u16string(call.text, call.length) : u"");
  return told;
}

// A second load maps the table the first one kept beside the database: read-only memory
// that must hold what the parse made, and search the same.
TEST(Differential, TableMappedFromItsFileSearchesAsTheParsedOne)
{
  InitMatchWeights();
  Generator generate(977);
  std::vector<std::u16string> lines;
  for (int i = 0; i < 1500; i++) lines.push_back(generate.Line());
  lines.push_back(u"x [cut");  // a damaged last line: the table keeps the status too
  std::vector<BYTE> image = DictionaryImage(lines);
  image.resize(image.size() - 2);
  std::string folder = NewTestFolder();
  WriteBytes(folder + "cedict.gb.dat", image);
  SetProgramFolder(Widen(folder).c_str());

  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_DAMAGED, LoadDictionaryStatus());
  ASSERT_EQ(0, access((folder + "cedict.gb.dat.table").c_str(), R_OK));
  std::vector<std::u16string> queries;
  for (int q = 0; q < 60; q++) queries.push_back(generate.Query());
  std::vector<std::vector<std::pair<int, std::u16string>>> parsed;
  std::u16string folded;
  for (const std::u16string& query : queries)
    for (int combination = 0; combination < 8; combination++)
      parsed.push_back(Told(RunEngine(query, combination & 1, (combination >> 1) & 1, (combination >> 2) & 1, &folded)));

  LoadDictionary(u"cedict.gb.dat");
  ASSERT_EQ(LOAD_DAMAGED, LoadDictionaryStatus());
  size_t k = 0;
  for (const std::u16string& query : queries)
    for (int combination = 0; combination < 8; combination++)
      ASSERT_EQ(parsed[k++], Told(RunEngine(query, combination & 1, (combination >> 1) & 1, (combination >> 2) & 1, &folded)))
          << Utf8(query) << " " << combination;
  Compare(queries, {0, 1, 2, 3, 4, 5, 6, 7});
}

TEST(Differential, FullDictionaryWhenPresent)
{
  // A copy of its own, where the loader keeps its table: the second load maps that table.
  if (FullDictionaryFolder().empty()) GTEST_SKIP() << "data/cedict.gb.dat not fetched";
  SelectDictionary(1);
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  ASSERT_GT(EntryTable.Count, 100000);
  std::vector<std::u16string> parsed;
  for (int i = 0; i < EntryTable.Count; i++) parsed.push_back(EntryText(i));
  SelectDictionary(1);
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  ASSERT_EQ(parsed.size(), (size_t)EntryTable.Count);
  for (int i = 0; i < EntryTable.Count; i++) ASSERT_EQ(parsed[i], EntryText(i)) << "entry " << i;
  Generator generate(7);
  std::vector<std::u16string> queries{u"china", u"zhong guo", u"中国", u"a", u"beautiful"};
  for (int q = 0; q < 6; q++) queries.push_back(generate.Query());
  Compare(queries, {0, 3, 4});
}

}  // namespace
