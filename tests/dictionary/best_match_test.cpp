// Best matches first, the forgiving pinyin and the other script, over small dictionaries
// (the learner's figures on the full one: learner_set_test.cpp; the set of results against
// the reference: differential_test.cpp).
#include <gtest/gtest.h>

#include "device/dictionary/find_entries.h"
#include "device/dictionary/pinyin_input.h"
#include "device/dictionary/script_convert.h"
#include "device/dictionary/word_frequency.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/dictionary_fixture.h"

namespace {

std::vector<std::u16string> Headwords(const std::u16string& query, int pinyin, int best, int database = 1,
                                      FindNote* note = nullptr)
{
  SinkCalls.clear();
  FindEntries(query.c_str(), 0, 0, pinyin, best, database, RecordSink, note);
  std::vector<std::u16string> headwords;
  for (int index : ResultIndices()) {
    std::u16string text = EntryText(index);
    headwords.push_back(text.substr(0, text.find(u' ')));
  }
  return headwords;
}

class BestMatch : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitMatchWeights();
    ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({
                           u"春 [chun1] /spring (season)/love/",
                           u"爱心 [ai4 xin1] /compassion/love/",
                           u"恋爱 [lian4 ai4] /romantic love/",
                           u"爱 [ai4] /to love/to be fond of/",
                           u"中国话 [Zhong1 guo2 hua4] /Chinese language/",
                           u"美中国 [mei3 zhong1 guo2] /made-up word/",
                           u"中国 [Zhong1 guo2] /China/",
                           u"中国人 [Zhong1 guo2 ren2] /Chinese person/",
                           u"学习 [xue2 xi2] /to learn/to study/",
                           u"血洗 [xue4 xi3] /bloodbath/",
                           u"女 [nu:3] /female/woman/",
                           u"西安 [Xi1 an1] /Xi'an/",
                       })));
    const char list[] = "# counts\n中国\t9000\n女\t5000\n学习\t800\n爱\t900\n爱心\t300\n春\t50\n";
    SetWordFrequencyText(list, sizeof list - 1);
  }
  void TearDown() override { SetWordFrequencyText(nullptr, 0); }
};

TEST_F(BestMatch, TiersThenCommonWordsFirstWhileOffKeepsTheSearchOrder)
{
  // The exact senses (爱心 "love", 爱 "to love") first, the more common word first; then the
  // whole word inside a sense, then the rest.
  EXPECT_EQ((std::vector<std::u16string>{u"爱", u"爱心", u"春", u"恋爱"}), Headwords(u"love", 0, 1));
  EXPECT_EQ((std::vector<std::u16string>{u"春", u"爱心", u"爱", u"恋爱"}), Headwords(u"love", 0, 0));
  // Two characters also list the words starting with them (the common first, then in
  // dictionary order), then those holding them.
  EXPECT_EQ((std::vector<std::u16string>{u"中国", u"中国话", u"中国人", u"美中国"}), Headwords(u"中国", 0, 1));
  EXPECT_EQ((std::vector<std::u16string>{u"中国"}), Headwords(u"中国", 0, 0));
  // The pronunciation, toned or not, is the exact tier with PinYin on.
  EXPECT_EQ(u"女", Headwords(u"nu:3", 1, 1).at(0));
}

TEST_F(BestMatch, ForgivingPinyinOnlyChangesASearchThatFoundNothingWhenOff)
{
  for (int best : {0, 1}) {
    SCOPED_TRACE(best);
    EXPECT_EQ(u"学习", Headwords(u"xuexi", 1, best).at(0));
    EXPECT_EQ(u"中国", Headwords(u"zhōng guó", 1, best).at(0));
    EXPECT_EQ(u"女", Headwords(u"nǚ", 1, best).at(0));
    EXPECT_EQ(u"女", Headwords(u"nv3", 1, best).at(0));
  }
  // Off, a near miss of the typed form is still a find: 中国话 for zhongguo.
  EXPECT_EQ(u"中国话", Headwords(u"ZhongGuo", 1, 0).at(0));
  EXPECT_EQ(u"中国", Headwords(u"ZhongGuo", 1, 1).at(0));
  // xian is one syllable: with something found the typed form alone is searched.
  EXPECT_EQ((std::vector<std::u16string>{u"西安"}), Headwords(u"xi an", 1, 0));
  EXPECT_TRUE(Headwords(u"xian", 1, 0).empty());
}

TEST(PinyinRewrites, TonesUmlautAndSyllablesFromTheTable)
{
  struct Case {
    const char16_t* typed;
    std::vector<std::u16string> rewrites;
  } cases[] = {
      {u"xuexi", {u"xue xi"}},
      {u"nihao", {u"ni hao"}},
      {u"zhōngguó", {u"zhong1 guo2"}},
      {u"zhōng guo", {u"zhong guo"}},  // tones on some syllables only: the toneless key
      {u"nǚ", {u"nu:3"}},
      {u"nv3", {u"nu:3"}},
      {u"lve", {u"lu:e"}},
      {u"ni3hao3", {u"ni3 hao3"}},
      {u"xi'an", {u"xi an"}},
      {u"fangan", {u"fang an", u"fan gan"}},
      {u"xian", {}},
      {u"zhong guo", {}},
      {u"zhong1 guo2", {}},
      {u"hello!", {}},
      {u"中国", {}},
      {u"6", {}},
      {u"ni33", {}},  // digits out of place: no pinyin
      {u"3ni", {}},
      {u"xi-an", {}},
  };
  for (const Case& c : cases) {
    std::u16string typed = c.typed;
    EXPECT_EQ(c.rewrites, PinyinRewrites(typed.c_str(), (int)typed.size())) << std::string(typed.begin(), typed.end());
  }
  // A long run that cuts many ways gives a bounded number of rewrites, each whole syllables.
  std::u16string run;
  for (int i = 0; i < 25; i++) run += u"fangan";
  std::vector<std::u16string> many = PinyinRewrites(run.c_str(), (int)run.size());
  ASSERT_FALSE(many.empty());
  EXPECT_LE(many.size(), (size_t)MAX_PINYIN_REWRITES);
  for (const std::u16string& rewrite : many) {
    size_t start = 0;
    while (start < rewrite.size()) {
      size_t end = rewrite.find(u' ', start);
      if (end == std::u16string::npos) end = rewrite.size();
      EXPECT_TRUE(IsPinyinSyllable(rewrite.c_str() + start, (int)(end - start)));
      start = end + 1;
    }
  }
}

TEST(WordFrequencyList, DamagedLinesAreSkippedAndNothingIsMisread)
{
  const char list[] =
      "# header\n"
      "中\t12\n"
      "中国\t30\n"
      "中国\t99\n"     // repeated: not after the one before, skipped
      "乙 7 extra\n"   // a space works too
      "一\t5\n"        // out of order: skipped
      "丙\tx\n"        // no count
      "丁\t99999999999\n"  // too large: clamped
      "\t5\n"
      "人\t8";          // cut last line
  SetWordFrequencyText(list, sizeof list - 1);
  EXPECT_EQ(12u, WordFrequency(u"中", 1));
  EXPECT_EQ(30u, WordFrequency(u"中国", 2));
  EXPECT_EQ(7u, WordFrequency(u"乙", 1));
  EXPECT_EQ(0u, WordFrequency(u"一", 1));
  EXPECT_EQ(0u, WordFrequency(u"丙", 1));
  EXPECT_EQ(0u, WordFrequency(u"人", 1));
  EXPECT_EQ(0u, WordFrequency(u"国", 1));
  // Binary and empty lists count nothing.
  const char binary[] = "\x00\xff\x01\n\xfe\t3\n";
  SetWordFrequencyText(binary, sizeof binary - 1);
  EXPECT_EQ(0u, WordFrequency(u"中", 1));
  SetWordFrequencyText("", 0);
  EXPECT_EQ(0, WordFrequencyCount());

  // A huge file is read up to its limit: the words before it count, those after it do not.
  std::string folder = NewTestFolder();
  ASSERT_FALSE(folder.empty());
  std::string huge = "一\t3\n";
  while (huge.size() < WORD_FREQUENCY_READ_LIMIT) huge += "丁\t" + std::string(40, '7') + "\n";
  huge += "中\t5\n";
  WriteBytes(folder + "wordfreq.txt", std::vector<BYTE>(huge.begin(), huge.end()));
  SetProgramFolder(Widen(folder).c_str());
  SetWordFrequencyText(nullptr, 0);
  EXPECT_EQ(3u, WordFrequency(u"一", 1));
  EXPECT_EQ(0u, WordFrequency(u"中", 1));
  SetWordFrequencyText(nullptr, 0);
}

TEST(WordFrequencyList, AListThatVouchesForItsLinesIsSearchedAsItStands)
{
  // 一 out of order on purpose: a list indexed line by line skips it.
  const std::string lines = "丁\t4\n中\t12\n中国\t30\n一\t5\n人\t8\n";
  const std::string header = "# a list\n";
  std::string vouched = header + WordFrequencyVouch(lines.data(), lines.size(), 5) + lines;
  SetWordFrequencyText(vouched.data(), vouched.size());
  EXPECT_TRUE(WordFrequencyVouched());
  EXPECT_EQ(5, WordFrequencyCount());
  EXPECT_EQ(4u, WordFrequency(u"丁", 1));
  EXPECT_EQ(30u, WordFrequency(u"中国", 2));
  EXPECT_EQ(8u, WordFrequency(u"人", 1));
  EXPECT_EQ(0u, WordFrequency(u"国", 1));
  // Every word of a longer list is found, and nothing between them.
  std::string many;
  for (int k = 0; k < 300; k++) many += "w" + std::to_string(1000 + 2 * k) + "\t" + std::to_string(k + 1) + "\n";
  std::string long_list = header + WordFrequencyVouch(many.data(), many.size(), 300) + many;
  SetWordFrequencyText(long_list.data(), long_list.size());
  ASSERT_TRUE(WordFrequencyVouched());
  for (int k = 0; k < 300; k++) {
    std::string word = "w" + std::to_string(1000 + 2 * k), between = "w" + std::to_string(1001 + 2 * k);
    EXPECT_EQ((unsigned)k + 1, WordFrequency(Widen(word).c_str(), (int)word.size())) << word;
    EXPECT_EQ(0u, WordFrequency(Widen(between).c_str(), (int)between.size())) << between;
  }
  // A list whose last line has no end is not searched as it stands, even when it matches.
  std::string cut = lines.substr(0, lines.size() - 1);
  std::string unended = header + WordFrequencyVouch(cut.data(), cut.size(), 5) + cut;
  SetWordFrequencyText(unended.data(), unended.size());
  EXPECT_FALSE(WordFrequencyVouched());
  EXPECT_EQ(0u, WordFrequency(u"人", 1));  // the cut last line
  // Any byte of the lines or of the count changed after: indexed line by line, 一 skipped.
  for (std::string changed : {header + WordFrequencyVouch(lines.data(), lines.size(), 5) + "丁\t5" + lines.substr(5),
                              header + WordFrequencyVouch(lines.data(), lines.size(), 6) + lines}) {
    if (changed.find("# 6") == std::string::npos) ASSERT_EQ(vouched.size(), changed.size());
    else changed.replace(changed.find("# 6"), 3, "# 5");
    SetWordFrequencyText(changed.data(), changed.size());
    EXPECT_FALSE(WordFrequencyVouched());
    EXPECT_EQ(0u, WordFrequency(u"一", 1));
    EXPECT_EQ(30u, WordFrequency(u"中国", 2));
  }

  // The list the build makes vouches for itself.
  SetProgramFolder(Widen(std::string(ORLEND_BINARY_DIR) + "/bin/").c_str());
  SetWordFrequencyText(nullptr, 0);
  if (WordFrequencyCount() == 0) GTEST_SKIP() << "no word-frequency list was built (jieba's dictionary is missing)";
  EXPECT_TRUE(WordFrequencyVouched());
  EXPECT_GT(WordFrequency(u"中国", 2), 1000u);
  SetWordFrequencyText(nullptr, 0);
}

TEST(EitherScript, TheOtherScriptsQueryComesAfterTheLiteralOnesAndIsNamed)
{
  if (!ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL)) GTEST_SKIP() << "OpenCC is not installed";
  InitMatchWeights();
  ASSERT_EQ(LOAD_OK, LoadImage(DictionaryImage({u"學習 [xue2 xi2] /to learn/", u"学 [xue2] /variant/"})));
  FindNote note;
  // Off: the literal search found 学, so nothing else is searched.
  EXPECT_EQ((std::vector<std::u16string>{u"学"}), Headwords(u"学", 0, 0, 2, &note));
  EXPECT_EQ(0, note.converted);
  // Off and nothing found: the converted query's hits, and the note says so.
  EXPECT_EQ((std::vector<std::u16string>{u"學習"}), Headwords(u"学习", 0, 0, 2, &note));
  EXPECT_EQ(1, note.converted);
  EXPECT_EQ(std::u16string(u"學習"), std::u16string(note.convertedText));
  // On: the literal hits first.
  EXPECT_EQ((std::vector<std::u16string>{u"学", u"學習"}), Headwords(u"学", 0, 1, 2, &note));
  // A lone surrogate is no text to convert: the query as typed only.
  EXPECT_TRUE(Headwords(u"学\xD800", 0, 0, 2, &note).empty());
  EXPECT_EQ(0, note.converted);
  SetWordFrequencyText(nullptr, 0);
}

}  // namespace
