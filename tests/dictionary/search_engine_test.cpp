#include <gtest/gtest.h>

#include <algorithm>

#include "tests/dictionary/dictionary_fixture.h"

namespace {

// The score of the n-unit window at position i of text, the query folded as
// the engine folds it.
int ScoreIn(const std::u16string& text, size_t i, std::u16string query, int matchCase = 0, int wholeWord = 0)
{
  InitMatchWeights();
  int n = (int)query.size();
  if (!matchCase)
    for (char16_t& c : query)
      if (c >= u'A' && c <= u'Z') c += 32;
  WCHAR window[17] = {};
  for (int p = 0; p < n; p++) window[p] = text[i + p];
  int hasFollowing = i + n < text.size() ? 1 : 0;
  if (hasFollowing) window[n] = text[i + n];
  return ScoreWindow(window, query.c_str(), n, matchCase, wholeWord, hasFollowing, i > 0 ? text[i - 1] : 0);
}

int ScoreOf(const std::u16string& text, const std::u16string& found, const std::u16string& query, int matchCase = 0,
            int wholeWord = 0)
{
  return ScoreIn(text, text.find(found), query, matchCase, wholeWord);
}

TEST(ScoreWindow, BoundaryBonuses)
{
  const std::u16string entry = u"中国 [zhong1 guo2] /China#zhong guo";
  EXPECT_EQ(-8, ScoreOf(entry, u"China", u"china"));            // the last definition, whole
  EXPECT_EQ(-12, ScoreOf(u"x [x1] /China/PRC#x", u"China", u"china"));  // an inner one
  EXPECT_EQ(-5, ScoreOf(u"吃 [chi1] /to eat#chi", u"to", u"to"));  // starts a definition, ends at a space
  EXPECT_EQ(-2, ScoreOf(entry, u"中国", u"中国"));                  // the headword, then a space
  EXPECT_EQ(-4, ScoreOf(u"ab/c#", u"ab", u"ab"));                  // entry start, then a marker
  EXPECT_EQ(-5, ScoreOf(u"x y z#", u"y", u"y"));                   // between spaces
  EXPECT_EQ(-3, ScoreOf(u"x国\u3016y", u"国", u"国"));              // a wide character before U+3016
  EXPECT_EQ(-4, ScoreOf(u"x,ab#", u"ab", u"ab"));                  // after a comma, before '#'
  EXPECT_EQ(-2, ScoreOf(u"x\u3014ab", u"ab", u"ab"));              // after U+3014, at the end
  EXPECT_EQ(0, ScoreOf(u"x1ab", u"ab", u"ab"));                    // a tone digit is no boundary
}

TEST(ScoreWindow, NoFollowingUnitMeansNoFollowingBonus)
{
  // A stale unit behind the window must not count as a following '/'.
  WCHAR window[] = {u'a', u'b', u'/'};
  InitMatchWeights();
  EXPECT_EQ(0, ScoreWindow(window, u"ab", 2, 0, 0, 0, u'/'));
  WCHAR whole[] = {u'a', u'b', u'/'};
  EXPECT_EQ(-12, ScoreWindow(whole, u"ab", 2, 0, 0, 1, u'/'));
}

TEST(ScoreWindow, MismatchWeights)
{
  const std::u16string entry = u"中国 [zhong1 guo2] /China#zhong guo";
  EXPECT_EQ(225, ScoreOf(entry, u"China", u"china", 1));  // Match Case: the capital costs the first weight
  EXPECT_EQ(125, ScoreOf(entry, u"China", u"chinx"));     // the last of five units
  EXPECT_EQ(225, ScoreOf(entry, u"China", u"xhina"));     // the first of five
  EXPECT_EQ(250, ScoreOf(u"两 [liang4] /two#liang", u"liang4", u"xiang4"));
  // A space or punctuation mismatch stops the count: the rest costs 450 once.
  EXPECT_EQ(200 + 450, ScoreOf(u"ab def#", u"ab def", u"abcdef"));
  // The stop looks at the entry's unit, and a tone digit is no punctuation.
  EXPECT_EQ(200, ScoreOf(u"abcdef#", u"abcdef", u"ab,def"));
  EXPECT_EQ(200, ScoreOf(u"ab1def#", u"ab1def", u"abcdef"));
  // ...unless it is the window's last unit.
  EXPECT_EQ(125, ScoreOf(u"abcde #", u"abcde ", u"abcdef"));
  // Two mismatches cost more than any threshold.
  EXPECT_EQ(125 + 150, ScoreOf(u"abcdxy#", u"abcdxy", u"abcdef"));
  // Whole word: any mismatch is final.
  EXPECT_EQ(450, ScoreOf(entry, u"China", u"chinx", 0, 1));
}

TEST(MatchThreshold, Table)
{
  EXPECT_EQ(-2, MatchThreshold(1, u'a', 0));
  EXPECT_EQ(0, MatchThreshold(1, u'中', 0));
  EXPECT_EQ(-2, MatchThreshold(1, 0x100, 0));
  EXPECT_EQ(-2, MatchThreshold(2, u'中', 0));
  EXPECT_EQ(0, MatchThreshold(3, u'a', 0));
  EXPECT_EQ(5, MatchThreshold(4, u'a', 0));
  EXPECT_EQ(125, MatchThreshold(5, u'a', 0));
  EXPECT_EQ(251, MatchThreshold(6, u'a', 0));
  EXPECT_EQ(251, MatchThreshold(15, u'a', 0));
  EXPECT_EQ(-2, MatchThreshold(15, u'a', 1));
  EXPECT_EQ(-2, MatchThreshold(1, u'中', 1));
}

class Searching : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitMatchWeights();
    ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({
                           u"钟 [zhong1] /clock/",                           // 0
                           u"中国 [zhong1 guo2] /China/",                     // 1
                           u"中国人 [zhong1 guo2 ren2] /Chinese person/",      // 2
                           u"瓷器 [ci2 qi4] /chinaware/porcelain/",           // 3
                           u"猫 [mao1] /cat/",                                // 4
                           u"一点 [yi1 dian3] /a little/a bit/",              // 5
                           u"中华人民共和国 [Zhong1 hua2 Ren2 min2 Gong4 he2 guo2] /People's Republic of China/",  // 6
                           u"人 [ren2] /person/people/",                      // 7
                           u"个人 [ge4 ren2] /individual/person/",            // 8
                           u"无 /no pronunciation/",                          // 9
                       })));
  }
};

TEST_F(Searching, EnglishWordsAndCase)
{
  // /China/ scores -8, chinaware 0, Chinese 125 (one mismatch at the end).
  EXPECT_EQ((std::vector<int>{1, 6, 3, 2}), Search(u"china"));
  EXPECT_EQ((std::vector<int>{3}), Search(u"china", 1));
  EXPECT_EQ((std::vector<int>{1, 6, 3, 2}), Search(u"CHINA"));
  // Whole word: inside chinaware or Chinese it does not count.
  EXPECT_EQ((std::vector<int>{1, 6}), Search(u"china", 0, 1));
}

TEST_F(Searching, QueryIsFoldedInPlaceAndCutAt15Units)
{
  std::u16string query = u"PeRsOn";
  SinkCalls.clear();
  SearchDictionary(query.data(), 0, 0, 0, RecordSink);
  EXPECT_EQ(u"person", query);
  query = u"PeRsOn";
  SearchDictionary(query.data(), 1, 0, 0, RecordSink);
  EXPECT_EQ(u"PeRsOn", query);

  std::u16string longQuery = u"republic of chiXXXX";
  EXPECT_EQ(Search(longQuery.substr(0, 15)), Search(longQuery));
  EXPECT_EQ((std::vector<int>{6}), Search(longQuery));
}

TEST_F(Searching, SingleLettersNeedABoundary)
{
  std::vector<int> found = Search(u"a");
  // "a little" and China's last letter before '#'; never the a inside cat.
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), 5));
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), 1));
  EXPECT_EQ(found.end(), std::find(found.begin(), found.end(), 4));
  EXPECT_EQ(5, found[0]);
}

TEST_F(Searching, ChineseCharacters)
{
  // One character anywhere; two only with a boundary; three anywhere.
  EXPECT_EQ((std::vector<int>{1, 6, 2}), Search(u"国"));
  EXPECT_EQ((std::vector<int>{1}), Search(u"中国"));
  EXPECT_EQ((std::vector<int>{6}), Search(u"人民共"));
}

TEST_F(Searching, BestScorePerEntryAndDictionaryOrderAmongEquals)
{
  // An inner definition (-12), a last one (-8), a last word after a space (-3).
  EXPECT_EQ((std::vector<int>{7, 8, 2}), Search(u"person"));
  // ren: 6 scores -5 in its key, 2 and 8 both -1 (kept in entry order), 7 only 0.
  EXPECT_EQ((std::vector<int>{6, 2, 8, 7}), Search(u"ren"));
}

TEST_F(Searching, PinyinPositions)
{
  // zhong guo: 中国's whole key (0) comes after 中国人's key start (-1).
  EXPECT_EQ((std::vector<int>{2, 1}), Search(u"zhong guo", 0, 0, 1));
  // zhong1: the toned pronunciation, between '[' and ']' (-6) or a space (-5).
  EXPECT_EQ((std::vector<int>{0, 1, 2, 6}), Search(u"zhong1", 0, 0, 1));
  // guo: the end of the key, after a space (-1).
  EXPECT_EQ((std::vector<int>{1, 6}), Search(u"guo", 0, 0, 1));
  // zhong: 中国 scores -1 at the key, 钟 only 0, so 中国 comes first despite its index.
  std::vector<int> zhong = Search(u"zhong", 0, 0, 1);
  ASSERT_GE(zhong.size(), 2u);
  EXPECT_EQ(1, zhong[0]);
  EXPECT_EQ(1, std::count(zhong.begin(), zhong.end(), 1));
  // Only the pronunciation counts: China is not found through the definition.
  EXPECT_TRUE(Search(u"china", 0, 0, 1).empty());
  // An entry without '[' is passed over.
  EXPECT_TRUE(Search(u"no", 0, 0, 1).empty());
}

TEST_F(Searching, EmptyQueryEndsAtOnce)
{
  EXPECT_TRUE(Search(u"").empty());
  ASSERT_EQ(1u, SinkCalls.size());
  EXPECT_EQ(-1, SinkCalls[0].code);
}

TEST_F(Searching, ResultsCarryTheEntryInPlace)
{
  Search(u"clock");
  ASSERT_EQ(2u, SinkCalls.size());
  EXPECT_EQ(0, SinkCalls[0].code);
  EXPECT_EQ(EntryTable.Entries[0][0], SinkCalls[0].length);
  EXPECT_EQ(EntryTable.Entries[0] + 1, SinkCalls[0].text);
  EXPECT_EQ(-1, SinkCalls[1].code);
  EXPECT_EQ(0, SinkCalls[1].length);
  EXPECT_EQ(nullptr, SinkCalls[1].text);
}

TEST(SearchPinyin, KeyIsThePronunciationAndWholeSyllablesAreFound)
{
  InitMatchWeights();
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({
                         u"中共 [Zhong1 gong4] /abbr. for 中国共产党[Zhong1 guo2 Gong4 chan3 dang3]/",  // 0
                         u"爱 [ai4] /to love/",                                                    // 1
                         u"爱人 [ai4 ren5] /spouse/",                                              // 2
                         u"可爱 [ke3 ai4] /lovable/",                                              // 3
                         u"矮 [ai3] /short; see also 矮子[ai3 zi5]/",                              // 4
                         u"哀 [ai1] /sorrow/",                                                     // 5
                         u"海 [hai3] /sea/",                                                       // 6
                     })));
  // The key comes from the pronunciation, not from the cross-reference at the line's end.
  EXPECT_EQ((std::vector<int>{0}), Search(u"zhong gong", 0, 0, 1));
  EXPECT_TRUE(Search(u"zhong guo gong chan dang", 0, 0, 1).empty());
  // A two-letter syllable at the key's start or end; never inside hai.
  EXPECT_EQ((std::vector<int>{2, 3, 1, 4, 5}), Search(u"ai", 0, 0, 1));
  // English keeps its thresholds: ai inside no boundary pair is still refused.
  EXPECT_TRUE(Search(u"ai").empty());
}

TEST(SearchPinyin, HashExactlyAtTheLastWindowStart)
{
  InitMatchWeights();
  // x [ab] /cd#ab: for "#ab" the '#' sits at L - n, so (b) is L - n itself.
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"x [ab] /cd/"})));
  EXPECT_EQ((std::vector<int>{0}), Search(u"#ab", 0, 0, 1));
  // A pronunciation with fewer units after '[' than the query ends the visit.
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"x/ [a]"})));
  EXPECT_TRUE(Search(u"a]#a", 0, 0, 1).empty());
}

// A dictionary of count entries; entry 0 holds the word "needle".
std::vector<BYTE> ManyEntries(int count)
{
  std::vector<std::u16string> lines{u"needle [zhen1] /needle/"};
  for (int i = 1; i < count; i++) lines.push_back(u"x [x1] /y/");
  return DictionaryImage(lines);
}

std::vector<int> ProgressCodes()
{
  std::vector<int> codes;
  for (const SinkCall& call : SinkCalls)
    if (call.code < -1) codes.push_back(call.code);
  return codes;
}

TEST(SearchProgress, ReportsEveryThousandEntriesAndEndsLast)
{
  InitMatchWeights();
  ASSERT_EQ(LOAD_OK, LoadImage(ManyEntries(999)));
  Search(u"needle");
  EXPECT_TRUE(ProgressCodes().empty());
  ASSERT_EQ(2u, SinkCalls.size());
  EXPECT_EQ(-1, SinkCalls.back().code);

  ASSERT_EQ(LOAD_OK, LoadImage(ManyEntries(2500)));
  Search(u"needle");
  EXPECT_EQ((std::vector<int>{-40, -80}), ProgressCodes());
  // Progress comes during the scan, the results after it, the end last.
  ASSERT_EQ(4u, SinkCalls.size());
  EXPECT_EQ(0, SinkCalls[2].code);
  EXPECT_EQ(-1, SinkCalls[3].code);
}

TEST(SearchProgress, LargeDictionariesNeverSendCodesAboveMinusTwo)
{
  InitMatchWeights();
  ASSERT_EQ(LOAD_OK, LoadImage(ManyEntries(120000)));
  Search(u"needle");
  std::vector<int> codes = ProgressCodes();
  // 1000 and 2000 entries would be 0 % and 1 %; they are left out.
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(-2, codes.front());
  EXPECT_EQ(119u - 2u, codes.size());
  for (int code : codes) EXPECT_LE(code, -2);
  // The only result is entry 0 and the end is the single -1.
  EXPECT_EQ((std::vector<int>{0}), ResultIndices());
  EXPECT_EQ(1, std::count_if(SinkCalls.begin(), SinkCalls.end(), [](const SinkCall& c) { return c.code == -1; }));
  EXPECT_EQ(-1, SinkCalls.back().code);
}

}  // namespace
