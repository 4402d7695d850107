#include "device/dictionary/best_match.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/unit_search.h"
#include "device/dictionary/word_frequency.h"

namespace {

inline bool IsWordUnit(WCHAR c)
{
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool Same(const WCHAR* text, int length, const std::u16string& query, int matchCase)
{
  if ((size_t)length != query.size()) return false;
  for (int i = 0; i < length; i++)
    if ((matchCase ? text[i] : FoldUnit(text[i])) != query[(size_t)i]) return false;
  return true;
}

bool StartsWith(const WCHAR* text, int length, const std::u16string& query, int matchCase)
{
  return (size_t)length >= query.size() && Same(text, (int)query.size(), query, matchCase);
}

// Whether query lies in text with neither side touching a letter or digit.
// With syllables set only spaces count as sides (tone digits belong to a syllable).
bool HoldsWhole(const WCHAR* text, int length, const std::u16string& query, int matchCase, bool syllables)
{
  int n = (int)query.size();
  WCHAR first = query[0];
  for (int i = 0; i + n <= length; i++) {
    if ((matchCase ? text[i] : FoldUnit(text[i])) != first || !Same(text + i, n, query, matchCase)) continue;
    bool before = i == 0 || (syllables ? text[i - 1] == u' ' : !IsWordUnit(text[i - 1]));
    bool after = i + n == length || (syllables ? text[i + n] == u' ' : !IsWordUnit(text[i + n]));
    if (before && after) return true;
  }
  return false;
}

// The parts of an entry text: headword [pronunciation] /senses/#key.
struct Parts {
  const WCHAR* text;
  int headword;             // length of the headword
  int open, close;          // the pronunciation lies between them; open -1 when there is none
  int senses, sensesEnd;    // from the first '/' to the '#' before the key
  int key;                  // the key starts here and runs to the end
  int length;
};

Parts Split(const DictionaryEntry* block)
{
  Parts p;
  p.text = block + 1;
  p.length = block[0];
  const WCHAR* t = p.text;
  int L = p.length;
  int hash = L;
  for (int i = L - 1; i >= 0; i--)
    if (t[i] == u'#') {
      hash = i;
      break;
    }
  p.key = hash < L ? hash + 1 : L;
  int h = 1;
  while (h < hash && t[h] != u' ' && t[h] != u'[' && t[h] != u'/') h++;
  p.headword = h < hash ? h : hash;
  p.open = -1;
  p.close = -1;
  int i = p.headword;
  while (i < hash && t[i] != u'[' && t[i] != u'/') i++;
  if (i < hash && t[i] == u'[') {
    p.open = i;
    int c = i + 1;
    while (c < hash && t[c] != u']') c++;
    p.close = c;
    i = c;
  }
  while (i < hash && t[i] != u'/') i++;
  p.senses = i;
  p.sensesEnd = hash;
  return p;
}

// The first place from `from` on, before `to`, of one of the four units; `to` when there is none.
int FindUnits(const WCHAR* t, int from, int to, const WCHAR units[4])
{
  while (from < to) {
    size_t count = (size_t)(to - from) < 64 ? (size_t)(to - from) : 64;
    uint64_t mask = MarkerMask(t + from, count, units);
    if (mask) return from + __builtin_ctzll(mask);
    from += (int)count;
  }
  return to;
}

// A sense without its leading notes ("(of a woman) beautiful") and outer spaces.
void TrimSense(const WCHAR* t, int* start, int* end)
{
  for (int group = 0; group < 2; group++) {
    while (*start < *end && t[*start] == u' ') (*start)++;
    if (*start < *end && t[*start] == u'(') {
      int c = *start;
      while (c < *end && t[c] != u')') c++;
      if (c + 1 >= *end) break;  // only a note: keep it
      *start = c + 1;
    }
  }
  while (*start < *end && t[*start] == u' ') (*start)++;
  while (*end > *start && t[*end - 1] == u' ') (*end)--;
}

// The best tier that the whole-word places of q in the senses give: a whole sense or its
// first gloss (notes aside, "to " allowed before it), or whole words in one, first sense
// before later ones; TIER_REST when there is none.
int SenseTier(const Parts& p, const std::u16string& q, int matchCase)
{
  const WCHAR* t = p.text;
  int n = (int)q.size(), best = TIER_REST;
  WCHAR first = q[0];
  const WCHAR slash[4] = {u'/', u'/', u'/', u'/'};
  int firstEnd = FindUnits(t, p.senses + 1, p.sensesEnd, slash);
  // The query is folded already; the text may hold the capital.
  WCHAR capital = !matchCase && first >= u'a' && first <= u'z' ? (WCHAR)(first - 32) : first;
  const WCHAR starts[4] = {first, capital, first, capital};
  const int last = p.sensesEnd - n + 1;
  // The places of the query's first unit, 64 at a time: each run of units looked at once.
  for (int from = p.senses; from < last; from += 64) {
    const size_t count = last - from < 64 ? (size_t)(last - from) : 64;
    for (uint64_t places = MarkerMask(t + from, count, starts); places; places &= places - 1) {
      const int i = from + __builtin_ctzll(places);
      if (!Same(t + i, n, q, matchCase)) continue;
      if ((i > 0 && IsWordUnit(t[i - 1])) || (i + n < p.length && IsWordUnit(t[i + n]))) continue;
      bool main = i < firstEnd;
      int start = i, end = i + n;
      while (start > p.senses && t[start - 1] != u'/') start--;
      while (end < p.sensesEnd && t[end] != u'/' && t[end] != u';') end++;
      TrimSense(t, &start, &end);
      if (end == i + n &&
          (start == i || (start + 3 == i && t[start] == u't' && t[start + 1] == u'o' && t[start + 2] == u' ')))
        best = std::min(best, main ? TIER_EXACT : TIER_EXACT_LATER);
      else
        best = std::min(best, main ? TIER_WHOLE_WORD : TIER_WHOLE_WORD_LATER);
      if (best == TIER_EXACT) return best;
    }
  }
  return best;
}

}  // namespace

int IsChineseText(const WCHAR* text, int length)
{
  if (length <= 0) return 0;
  for (int i = 0; i < length; i++)
    if (text[i] < 0x2E80) return 0;
  return 1;
}

int MatchTier(int entry, const std::vector<std::u16string>& queries, int matchCase, int pinyin)
{
  return BlockMatchTier(EntryTable.Entries[entry], queries, matchCase, pinyin);
}

int BlockMatchTier(const DictionaryEntry* block, const std::vector<std::u16string>& queries, int matchCase, int pinyin)
{
  Parts p = Split(block);
  const WCHAR* t = p.text;
  int best = TIER_REST;
  for (const std::u16string& q : queries) {
    if (q.empty()) continue;
    if (Same(t, p.headword, q, matchCase)) return TIER_EXACT;
    if (pinyin) {
      if (Same(t + p.key, p.length - p.key, q, matchCase)) return TIER_EXACT;
      if (p.open >= 0 && Same(t + p.open + 1, p.close - p.open - 1, q, matchCase)) return TIER_EXACT;
    }
    int senses = pinyin ? TIER_REST : SenseTier(p, q, matchCase);
    if (senses == TIER_EXACT) return TIER_EXACT;
    best = std::min(best, senses);
    if (StartsWith(t, p.headword, q, matchCase)) {
      best = std::min(best, TIER_PREFIX);
      continue;
    }
    if (IsChineseText(q.data(), (int)q.size()) && HoldsWhole(t, p.headword, q, 1, false)) {
      best = std::min(best, TIER_CONTAINS);
      continue;
    }
    if (pinyin && (HoldsWhole(t + p.key, p.length - p.key, q, matchCase, true) ||
                   (p.open >= 0 && HoldsWhole(t + p.open + 1, p.close - p.open - 1, q, matchCase, true))))
      best = std::min(best, TIER_WHOLE_WORD);
  }
  return best;
}

namespace {

// What the caches below were made for: the table (its address, size and a few of its texts,
// since a new load may reuse the address) and the word-frequency list.
unsigned long long g_cachedTable = 0;
int g_cachedList = -1;
// For each UTF-16 unit u, the entries whose headword holds it, in entry order:
// g_unitEntries[g_unitStart[u] .. g_unitStart[u + 1]). Made on the first headword question, so
// only a best-match search pays for it; in large blocks (huge pages), as fresh small pages
// cost more here than the walks over the table that fill them.
LARGE_BLOCK g_unitBlock = {}, g_entryBlock = {};
int* g_unitStart = nullptr;
int* g_unitEntries = nullptr;
// Each entry's headword frequency, UINT_MAX until first asked (in a large block too).
LARGE_BLOCK g_frequencyBlock = {};
unsigned* g_frequencies = nullptr;

int HeadwordLength(const WCHAR* t, int L)
{
  int h = 1;
  while (h < L && t[h] != u' ' && t[h] != u'[' && t[h] != u'/' && t[h] != u'#') h++;
  return h < L ? h : L;
}

unsigned long long TableFingerprint()
{
  unsigned long long h = 1469598103934665603ull;
  auto mix = [&](unsigned long long v) { h = (h ^ v) * 1099511628211ull; };
  mix((unsigned long long)(uintptr_t)EntryTable.Entries);
  mix((unsigned long long)EntryTable.Count);
  if (EntryTable.Count > 0)
    for (LONG e : {(LONG)0, (LONG)(EntryTable.Count / 2), (LONG)(EntryTable.Count - 1)}) {
      const WCHAR* entry = EntryTable.Entries[e];
      for (int i = 0; i <= entry[0] && i < 64; i++) mix(entry[i]);
    }
  return h;
}

void CheckCaches()
{
  unsigned long long table = TableFingerprint();
  int list = WordFrequencyGeneration();
  if (table == g_cachedTable && list == g_cachedList) return;
  if (table != g_cachedTable) {
    FreeLargeBlock(&g_unitBlock);
    FreeLargeBlock(&g_entryBlock);
    g_unitStart = g_unitEntries = nullptr;
  }
  g_cachedTable = table;
  g_cachedList = list;
  FreeLargeBlock(&g_frequencyBlock);
  g_frequencies = nullptr;
  if (AllocLargeBlock(&g_frequencyBlock, (size_t)EntryTable.Count * sizeof(unsigned))) {
    g_frequencies = static_cast<unsigned*>(g_frequencyBlock.Data);
    std::fill(g_frequencies, g_frequencies + EntryTable.Count, UINT_MAX);
  }
}


// Two walks over the table's headwords: counting each unit's entries, then placing them.
// False without memory.
bool IndexHeadwords()
{
  if (!AllocLargeBlock(&g_unitBlock, (0x10001 + 0x10000) * sizeof(int))) return false;
  int* start = static_cast<int*>(g_unitBlock.Data);
  int* next = start + 0x10001;
  std::fill(start, next, 0);
  auto eachUnit = [](auto&& onUnit) {
    for (int e = 0; e < EntryTable.Count; e++) {
      const WCHAR* t = EntryTable.Entries[e] + 1;
      int h = HeadwordLength(t, EntryTable.Entries[e][0]);
      for (int i = 0; i < h; i++) {
        bool repeated = false;
        for (int k = 0; k < i && !repeated; k++) repeated = t[k] == t[i];
        if (!repeated) onUnit(t[i], e);
      }
    }
  };
  eachUnit([start](WCHAR u, int) { start[(size_t)u + 1]++; });
  for (int u = 0; u < 0x10000; u++) start[(size_t)u + 1] += start[(size_t)u];
  if (!AllocLargeBlock(&g_entryBlock, ((size_t)start[0x10000] + 1) * sizeof(int))) {
    FreeLargeBlock(&g_unitBlock);
    return false;
  }
  int* entries = static_cast<int*>(g_entryBlock.Data);
  std::copy(start, start + 0x10000, next);
  eachUnit([next, entries](WCHAR u, int e) { entries[next[u]++] = e; });
  g_unitStart = start;
  g_unitEntries = entries;
  return true;
}

}  // namespace

int HeadwordHolds(const DictionaryEntry* block, const std::u16string& query)
{
  const WCHAR* t = block + 1;
  int n = (int)query.size(), h = HeadwordLength(t, block[0]);
  if (n == 0 || h < n) return 0;
  if (Same(t, n, query, 1)) return 1;
  for (int i = 1; i + n <= h; i++)
    if (t[i] == query[0] && Same(t + i, n, query, 1)) return 2;
  return 0;
}

void AddHeadwordMatches(const std::u16string& query, std::vector<char>* seen, std::vector<int>* out)
{
  int n = (int)query.size();
  if (n == 0) return;
  CheckCaches();
  if (!g_unitStart && !IndexHeadwords()) return;
  std::vector<int> inside;
  for (int k = g_unitStart[query[0]]; k < g_unitStart[(size_t)query[0] + 1]; k++) {
    int e = g_unitEntries[(size_t)k];
    if ((*seen)[(size_t)e]) continue;
    int holds = HeadwordHolds(EntryTable.Entries[e], query);
    if (holds == 1) {
      (*seen)[(size_t)e] = 1;
      out->push_back(e);
    } else if (holds == 2) {
      inside.push_back(e);
    }
  }
  for (int e : inside) {
    (*seen)[(size_t)e] = 1;
    out->push_back(e);
  }
}

void OrderBestMatches(std::vector<BestMatch>* matches)
{
  CheckCaches();
  for (BestMatch& m : *matches) {
    unsigned asked = UINT_MAX;
    unsigned& known = g_frequencies ? g_frequencies[(size_t)m.entry] : asked;  // no memory: asked each time
    if (known == UINT_MAX) known = HeadwordFrequency(EntryTable.Entries[m.entry]);
    m.frequency = known;
  }
  SortBestMatches(matches);
}

unsigned HeadwordFrequency(const DictionaryEntry* block)
{
  unsigned known = WordFrequency(block + 1, HeadwordLength(block + 1, block[0]));
  return known == UINT_MAX ? known - 1 : known;
}

void SortBestMatches(std::vector<BestMatch>* matches)
{
  // Ranks differ, so the order is total and a plain sort is stable enough.
  std::sort(matches->begin(), matches->end(), [](const BestMatch& a, const BestMatch& b) {
    if (a.group != b.group) return a.group < b.group;
    if (a.tier != b.tier) return a.tier < b.tier;
    if (a.frequency != b.frequency) return a.frequency > b.frequency;
    return a.rank < b.rank;
  });
}
