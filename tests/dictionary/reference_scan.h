// The search as its description reads, position by position: every window is
// copied and scored with ScoreWindow, an accepted entry is looked up among the
// results, and the results are delivered by taking the lowest score left each
// time. Slow and plain, it is what the engine's results are compared with
// (tests) and measured against (benchmarks).
#pragma once

#include <algorithm>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"

inline int ReferenceThreshold(int n, WCHAR first, int wholeWord)
{
  if (wholeWord) return -2;
  static const int table[16] = {0, -2, -2, 0, 5, 125, 251, 251, 251, 251, 251, 251, 251, 251, 251, 251};
  if (n == 1 && first > 0x100) return 0;
  return table[n];
}

// With PinYin on, an exact window accepted whatever the threshold: it starts a
// syllable of the key (after ' ' or '#'), ends one (before ' ' or the end) and
// lies in the key, after the entry's last '#'.
inline bool IsWholeSyllables(const WCHAR* text, int length, int i, int n)
{
  int lastHash = -1;
  for (int k = 0; k < length; k++)
    if (text[k] == u'#') lastHash = k;
  if (i <= lastHash) return false;
  bool starts = i > 0 && (text[i - 1] == u' ' || text[i - 1] == u'#');
  bool ends = i + n == length || text[i + n] == u' ';
  return starts && ends;
}

inline void ReferenceSearch(WCHAR* query, int matchCase, int wholeWord, int pinyin, ResultSink sink)
{
  int n = 0;
  while (n < MAX_QUERY_UNITS && query[n]) n++;
  if (n == 0) {
    sink(-1, 0, nullptr);
    return;
  }
  if (!matchCase)
    for (int p = 0; p < n; p++)
      if (query[p] >= u'A' && query[p] <= u'Z') query[p] += 32;
  int threshold = ReferenceThreshold(n, query[0], wholeWord);

  std::vector<int> entries, scores;
  WCHAR window[MAX_QUERY_UNITS + 1];
  for (int d = 0; d < EntryTable.Count; d++) {
    if (d > 0 && d % 1000 == 0) {
      int percent = (int)(100LL * d / EntryTable.Count);
      if (percent >= 2) sink(-percent, 0, nullptr);
    }
    const WCHAR* text = EntryTable.Entries[d] + 1;
    int length = EntryTable.Entries[d][0];
    if (length < n) continue;

    auto visit = [&](int i) {
      for (int p = 0; p < n; p++) window[p] = text[i + p];
      int hasFollowing = i + n < length ? 1 : 0;
      window[n] = hasFollowing ? text[i + n] : 0;
      int score = ScoreWindow(window, query, n, matchCase, wholeWord, hasFollowing, i > 0 ? text[i - 1] : 0);
      if (score > threshold && !(pinyin && score <= 0 && IsWholeSyllables(text, length, i, n))) return;
      size_t r = 0;
      while (r < entries.size() && entries[r] != d) r++;
      if (r < entries.size()) {
        scores[r] = std::min(scores[r], score);
      } else {
        entries.push_back(d);
        scores.push_back(score);
      }
    };

    if (!pinyin) {
      for (int i = 0; i <= length - n; i++) visit(i);
      continue;
    }
    int open = 0;
    while (open < length && text[open] != u'[') open++;
    if (open == length) continue;  // no pronunciation
    int a = open + 1;
    if (a > length - n) continue;
    visit(a);
    int b = length - n;
    for (int k = a; k < length - n; k++)
      if (text[k] == u'#') {
        b = k + 1;
        break;
      }
    visit(b);
    if (b != length - n) visit(length - n);
  }

  std::vector<bool> delivered(entries.size());
  for (size_t k = 0; k < entries.size(); k++) {
    size_t best = entries.size();
    for (size_t r = 0; r < entries.size(); r++)
      if (!delivered[r] && (best == entries.size() || scores[r] < scores[best])) best = r;
    delivered[best] = true;
    const DictionaryEntry* entry = EntryTable.Entries[entries[best]];
    sink(entries[best], entry[0], entry + 1);
  }
  sink(-1, 0, nullptr);
}
