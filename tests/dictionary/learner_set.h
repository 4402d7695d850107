// The learner's test set (tests/dictionary/learner_words.tsv, built by tools/learner-test-set.py)
// searched against the loaded database: how often the word meant comes first (Chinese) or in
// the top 3 (pinyin, spaced and run together; the one-word English sense). Shared by the test
// that holds the floors and the benchmark that reports the figures both ways.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/find_entries.h"

struct LearnerWord {
  std::u16string word, pinyin, english;
};

struct LearnerFigures {
  int words = 0, chineseFirst = 0;
  int pinyinQueries = 0, pinyinTop3 = 0;      // spaced
  int runTogetherQueries = 0, runTogetherTop3 = 0;
  int englishQueries = 0, englishTop3 = 0;
};

inline std::u16string LearnerUtf16(const std::string& text)
{
  int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
  std::u16string out((size_t)(units > 0 ? units : 0), u'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), units);
  return out;
}

inline std::vector<LearnerWord> ReadLearnerSet(const std::string& path)
{
  std::vector<LearnerWord> words;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t a = line.find('\t'), b = a == std::string::npos ? a : line.find('\t', a + 1);
    if (b == std::string::npos) continue;
    words.push_back({LearnerUtf16(line.substr(0, a)), LearnerUtf16(line.substr(a + 1, b - a - 1)),
                     LearnerUtf16(line.substr(b + 1))});
  }
  return words;
}

inline std::vector<int> LearnerResults;
inline void LearnerSink(int code, int, const WCHAR*)
{
  if (code >= 0) LearnerResults.push_back(code);
}

// The place (0-based) of the first result whose headword is word among the first `within`; -1 when none.
inline int LearnerPlace(const std::u16string& query, int pinyin, int best, const std::u16string& word, int within)
{
  LearnerResults.clear();
  FindEntries(query.c_str(), 0, 0, pinyin, best, 1, LearnerSink, nullptr);
  for (int r = 0; r < (int)LearnerResults.size() && r < within; r++) {
    const WCHAR* text = EntryTable.Entries[LearnerResults[(size_t)r]] + 1;
    if (std::u16string(text, word.size()) == word && text[word.size()] == u' ') return r;
  }
  return -1;
}

inline LearnerFigures MeasureLearnerSet(const std::vector<LearnerWord>& words, int best)
{
  LearnerFigures f;
  for (const LearnerWord& w : words) {
    f.words++;
    if (LearnerPlace(w.word, 0, best, w.word, 1) == 0) f.chineseFirst++;
    if (!w.pinyin.empty()) {
      f.pinyinQueries++;
      if (LearnerPlace(w.pinyin, 1, best, w.word, 3) >= 0) f.pinyinTop3++;
      std::u16string joined;
      for (char16_t c : w.pinyin)
        if (c != u' ') joined += c;
      f.runTogetherQueries++;
      if (LearnerPlace(joined, 1, best, w.word, 3) >= 0) f.runTogetherTop3++;
    }
    if (!w.english.empty()) {
      f.englishQueries++;
      if (LearnerPlace(w.english, 0, best, w.word, 3) >= 0) f.englishTop3++;
    }
  }
  return f;
}
