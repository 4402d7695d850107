// The learner's test set on the full Simplified database, with Best matches on: the word meant
// first for 90 % of Chinese queries, in the top 3 for 80 % of pinyin queries (spaced and run
// together) and of one-word English queries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "device/dictionary/word_frequency.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/dictionary_fixture.h"
#include "tests/dictionary/full_dictionary.h"
#include "tests/dictionary/learner_set.h"

namespace {

TEST(LearnerSet, BestMatchesMeetTheFloorsOnTheFullDictionary)
{
  if (FullDictionaryFolder().empty()) GTEST_SKIP() << "data/cedict.gb.dat not fetched";
  std::vector<LearnerWord> words = ReadLearnerSet(std::string(ORLEND_SOURCE_DIR) + "/tests/dictionary/learner_words.tsv");
  ASSERT_EQ(2000u, words.size());
  SetWordFrequencyText(nullptr, 0);  // the list that ships beside the program, read afresh
  SelectDictionary(1);
  ASSERT_EQ(LOAD_OK, LoadDictionaryStatus());
  LearnerFigures f = MeasureLearnerSet(words, 1);
  printf("Chinese first %d/%d, pinyin top 3 %d/%d, run together %d/%d, English top 3 %d/%d\n", f.chineseFirst,
         f.words, f.pinyinTop3, f.pinyinQueries, f.runTogetherTop3, f.runTogetherQueries, f.englishTop3,
         f.englishQueries);
  EXPECT_GE(f.chineseFirst * 10, f.words * 9);
  EXPECT_GE(f.pinyinTop3 * 10, f.pinyinQueries * 8);
  EXPECT_GE(f.runTogetherTop3 * 10, f.runTogetherQueries * 8);
  EXPECT_GE(f.englishTop3 * 10, f.englishQueries * 8);
}

}  // namespace
