#include "device/dictionary/search_engine.h"

#include <cstdlib>
#include <cstring>

#include "device/dictionary/database.h"
#include "device/dictionary/search_scan.h"

LONG MatchWeights[16];

// Entry 14 of the weights: what a mismatch after a punctuation mismatch costs.
#define STOP_PENALTY 450

void InitMatchWeights()
{
  for (int k = 0; k < 16; k++) MatchWeights[k] = 100 + 25 * k;
}

void SelectDictionary(int which)
{
  if (which == 0)
    LoadDictionary(u"cedict.b5.dat");
  else if (which == 1)
    LoadDictionary(u"cedict.gb.dat");
  InitMatchWeights();
}

// Space and ASCII punctuation; the tone digits in between are not.
static inline bool IsPunctuation(WCHAR c)
{
  return (c >= 0x20 && c <= 0x2F) || (c >= 0x3A && c <= 0x40);
}

// The boundary score of an exact window: a preceding unit (0 at the start of
// the text), f the following unit (0 when there is none).
static inline int BoundaryScore(WCHAR a, bool hasFollowing, WCHAR f, WCHAR last)
{
  int r = 0;
  if (hasFollowing) {
    switch (f) {
      case u'#': case u'/': case u'.': case u',': case u';': case u']': case u'[':
        r = a == 0 ? -4 : -2;
        break;
      case u' ':
        r = a == 0 ? -2 : -1;
        break;
      default:
        r = (last > 0x2EE0 && f == 0x3016) ? -3 : 0;
        break;
    }
  }
  if (a == 0) return r;
  if (a == u'/' && (f == u'/' || f == u'#')) r -= 6;
  if (hasFollowing && (f == u']' || f == u'/' || f == u' ') && (a == u' ' || a == u'/' || a == u'['))
    return r - 4;
  if (a == u'.' || a == u',' || a == u';' || a == 0x3014 || a == 0x3015) return r - 2;
  if (a == u' ') return r - 1;
  return r;
}

int ScoreWindow(WCHAR* window, const WCHAR* query, int n, int matchCase, int wholeWord, int hasFollowing,
                WCHAR preceding)
{
  int sum = 0;
  bool stop = false;
  for (int p = 0; p < n; p++) {
    if (!matchCase) window[p] = FoldUnit(window[p]);
    if (stop) {
      sum += STOP_PENALTY;
      break;
    }
    if (window[p] != query[p]) {
      if (wholeWord) return STOP_PENALTY;
      if (IsPunctuation(window[p])) stop = true;
      sum += MatchWeights[n - p];
    }
  }
  if (sum != 0) return sum;
  WCHAR f = hasFollowing ? window[n] : 0;
  return BoundaryScore(preceding, hasFollowing != 0, f, n > 0 ? window[n - 1] : 0);
}

int MatchThreshold(int n, WCHAR first, int wholeWord)
{
  if (wholeWord) return -2;
  if (n <= 1) return first > 0x100 ? 0 : -2;
  if (n == 2) return -2;
  if (n == 3) return 0;
  if (n == 4) return 5;
  if (n == 5) return 125;
  return 251;
}

// ---- the scan

struct Scan {
  const WCHAR* query;
  int n;
  int matchCase;
  int wholeWord;
  int threshold;
  // Accepted entries in index order and their best scores.
  int* entries;
  int* scores;
  int count;
  int capacity;
  int* order;  // room for Deliver's order, given with the arrays (which then never grow), or null
};

// ScoreWindow for the window at position i of text, read in place. Any value
// above the threshold means rejection, so it may stop counting early.
static inline int ScoreAt(const Scan* s, const WCHAR* text, int length, int i)
{
  const WCHAR* w = text + i;
  const int n = s->n;
  int sum = 0;
  for (int p = 0; p < n; p++) {
    WCHAR c = s->matchCase ? w[p] : FoldUnit(w[p]);
    if (c == s->query[p]) continue;
    if (s->wholeWord) return STOP_PENALTY;
    sum += MatchWeights[n - p];
    if (IsPunctuation(c) && p + 1 < n) sum += STOP_PENALTY;
    if (sum > s->threshold) return sum;
  }
  if (sum != 0) return sum;
  bool hasFollowing = i + n < length;
  return BoundaryScore(i > 0 ? w[-1] : 0, hasFollowing, hasFollowing ? w[n] : 0, w[n - 1]);
}

static void Accept(Scan* s, int entry, int score)
{
  if (s->count > 0 && s->entries[s->count - 1] == entry) {
    if (score < s->scores[s->count - 1]) s->scores[s->count - 1] = score;
    return;
  }
  if (s->count == s->capacity) {
    if (s->order) return;  // given room holds every entry the search can accept
    int capacity = s->capacity ? s->capacity * 2 : 256;
    int* entries = static_cast<int*>(realloc(s->entries, capacity * sizeof(int)));
    if (entries) s->entries = entries;
    int* scores = static_cast<int*>(realloc(s->scores, capacity * sizeof(int)));
    if (scores) s->scores = scores;
    if (!entries || !scores) return;  // out of memory: the result is dropped
    s->capacity = capacity;
  }
  s->entries[s->count] = entry;
  s->scores[s->count] = score;
  s->count++;
}

static inline void TryWindow(Scan* s, int entry, const WCHAR* text, int length, int i)
{
  int score = ScoreAt(s, text, length, i);
  if (score <= s->threshold) Accept(s, entry, score);
}

static inline WCHAR FoldMask(const Scan* s, WCHAR q)
{
  return (!s->matchCase && q >= u'a' && q <= u'z') ? 0x20 : 0;
}

// ---- paths

static int ChosenPath = SEARCH_PATH_AUTO;

int SearchPathSupported(int path)
{
#if defined(__x86_64__) || defined(__i386__)
  if (path == SEARCH_PATH_SSE2) return __builtin_cpu_supports("sse2") ? 1 : 0;
  if (path == SEARCH_PATH_AVX2) return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
  if (path == SEARCH_PATH_SSE2 || path == SEARCH_PATH_AVX2) return 0;
#endif
  return path == SEARCH_PATH_AUTO || path == SEARCH_PATH_PORTABLE ? 1 : 0;
}

int SetSearchPath(int path)
{
  if (!SearchPathSupported(path)) return 0;
  ChosenPath = path;
  return 1;
}

static int EffectivePath()
{
  if (ChosenPath != SEARCH_PATH_AUTO) return ChosenPath;
  if (SearchPathSupported(SEARCH_PATH_AVX2)) return SEARCH_PATH_AVX2;
  if (SearchPathSupported(SEARCH_PATH_SSE2)) return SEARCH_PATH_SSE2;
  return SEARCH_PATH_PORTABLE;
}

static CandidateScanner EffectiveScanner()
{
  int path = EffectivePath();
  return path == SEARCH_PATH_AVX2 ? ScanCandidatesAvx2 : path == SEARCH_PATH_SSE2 ? ScanCandidatesSse2 : ScanCandidatesPortable;
}

int QueryUnits(const WCHAR* query)
{
  int n = 0;
  while (query && n < MAX_QUERY_UNITS && query[n]) n++;
  return n;
}

// ---- scanning one block of entries

// Every accepted window has at most one mismatch (two cost more than any
// threshold), and none before position m. The probes test units that such a
// window must hold, so no accepted window is missed.
static void SetProbes(const Scan* s, CandidateProbes* probes)
{
  const int n = s->n;
  const int m = ExactLeadingUnits(n, s->wholeWord);

  int at[6] = {0, 0, 0, 0, 0, 0};
  int probes1 = 1;
  if (m == n && n <= 2) {  // exact and short: every unit
    probes->shape = n == 1 ? SHAPE_ONE : SHAPE_TWO;
    at[1] = n - 1;
    probes1 = n;
  } else if (m == n) {  // exact: the first, the last and the second unit
    probes->shape = SHAPE_THREE;
    at[1] = n - 1;
    at[2] = 1;
    probes1 = 3;
  } else if (m == n - 1) {  // 5 units: the first four are exact
    probes->shape = SHAPE_THREE;
    at[1] = 2;
    at[2] = 3;
    probes1 = 3;
  } else if (m >= 2) {  // the first m are exact; of the last two one at least
    probes->shape = SHAPE_AND_OR;
    at[1] = m - 1;
    at[2] = n - 2;
    at[3] = n - 1;
    probes1 = 4;
  } else {  // one mismatch anywhere (6 or 7 units): it breaks one pair at most of the
            // first two units, the next two and the last two
    probes->shape = SHAPE_PAIRS;
    const int pairs[6] = {0, 1, 2, 3, n - 2, n - 1};
    for (int k = 0; k < 6; k++) at[k] = pairs[k];
    probes1 = 6;
  }
  for (int k = 0; k < 6; k++) {
    int p = k < probes1 ? at[k] : 0;
    probes->offset[k] = p;
    probes->value[k] = s->query[p];
    probes->orMask[k] = FoldMask(s, s->query[p]);
  }

  // Then the units at both ends of the query: all must hold, or all but one
  // when a mismatch may be accepted.
  probes->counted = 0;
  if (n >= 3) {
    for (int p = 0; p < n; p++) {
      if (n > MAX_COUNTED_PROBES && p >= MAX_COUNTED_PROBES / 2 && p < n - MAX_COUNTED_PROBES / 2) continue;
      int k = probes->counted++;
      probes->countOffset[k] = p;
      probes->countValue[k] = s->query[p];
      probes->countOrMask[k] = FoldMask(s, s->query[p]);
    }
  }
  probes->needed = probes->counted - (m < n ? 1 : 0);
  // Below -2 an exact window needs a boundary after it or before it.
  probes->boundary = s->threshold <= -2 ? n : 0;
}

#define CANDIDATE_BUFFER 2048

// Scans the entries first to first + count - 1, entry first + k's block at run[k]; the blocks
// lie one after another in memory. With bytes (a search of units below 0x80 alone, on a path
// that has a byte scanner), the units from narrowFrom on are scanned as their bytes, narrow[i]
// standing for narrowFrom[i]: half the data, twice the positions a step.
static void ScanRun(Scan* s, const CandidateProbes* probes, CandidateScanner scanner,
                    const DictionaryEntry* const* run, int first, int count, ByteCandidateScanner bytes = nullptr,
                    const uint8_t* narrow = nullptr, const WCHAR* narrowFrom = nullptr)
{
  const DictionaryEntry* lastEntry = run[count - 1];
  const WCHAR* from = run[0];
  const WCHAR* to = lastEntry + lastEntry[0] + 2;
  const WCHAR* found[CANDIDATE_BUFFER];
  const uint8_t* foundBytes[CANDIDATE_BUFFER];
  // The units scanned as units: those before the bytes begin.
  const WCHAR* unitsTo = to;
  if (bytes && narrow && narrowFrom <= to) unitsTo = narrowFrom > from ? narrowFrom : from;

  int k = 0;
  const DictionaryEntry* entry = run[k];
  const WCHAR* entryEnd = entry + entry[0] + 2;
  while (from < to) {
    int n = 0;
    if (from < unitsTo) {
      from = scanner(probes, from, unitsTo, found, &n, CANDIDATE_BUFFER);
    } else {
      const uint8_t* at = bytes(probes, narrow + (from - narrowFrom), narrow + (to - narrowFrom), foundBytes, &n,
                                CANDIDATE_BUFFER);
      from = narrowFrom + (at - narrow);
      for (int c = 0; c < n; c++) found[c] = narrowFrom + (foundBytes[c] - narrow);
    }
    for (int c = 0; c < n; c++) {
      const WCHAR* x = found[c];
      while (x >= entryEnd) {
        entry = run[++k];
        entryEnd = entry + entry[0] + 2;
      }
      int length = entry[0];
      int i = (int)(x - (entry + 1));
      if (i < 0 || i > length - s->n) continue;
      TryWindow(s, first + k, entry + 1, length, i);
    }
  }
}

// An accepted window's first unit matches, or with 6 units and whole word off
// (where its one mismatch may come first) its second.
template <bool FirstExact>
static inline bool MayMatch(const WCHAR* w, WCHAR q0, WCHAR q1, bool fold)
{
  if (FirstExact) return (fold ? FoldUnit(w[0]) : w[0]) == q0;
  // Both compared without a branch between them.
  return static_cast<int>((fold ? FoldUnit(w[0]) : w[0]) == q0) | static_cast<int>((fold ? FoldUnit(w[1]) : w[1]) == q1);
}

// An exact window that is one or more whole syllables of the key: a space or
// the key's '#' before it, a space or the end after it, no '#' from it on. The
// thresholds were made for English and would refuse ai, wo or ni.
static inline bool WholeSyllables(const WCHAR* text, int length, int i, int n)
{
  if (i == 0 || (text[i - 1] != u' ' && text[i - 1] != u'#')) return false;
  if (i + n < length && text[i + n] != u' ') return false;
  for (int k = i; k < length; k++)
    if (text[k] == u'#') return false;
  return true;
}

static inline void TryPinyinWindow(Scan* s, int entry, const WCHAR* text, int length, int i)
{
  int score = ScoreAt(s, text, length, i);
  // Exact windows score 0 or less, any mismatch 100 or more.
  if (score <= s->threshold || (score <= 0 && WholeSyllables(text, length, i, s->n))) Accept(s, entry, score);
}

// At most three windows per entry: right after the first '[', right after the
// first '#' behind it (or the last window start), and the last window start.
// Entry first + k's block is run[k], its marks marks[k].
template <bool FirstExact>
static void ScanRunPinyin(Scan* s, const DictionaryEntry* const* run, const ENTRY_MARKS* runMarks, int first, int count)
{
  const int n = s->n;
  const WCHAR q0 = s->query[0], q1 = n > 1 ? s->query[1] : 0;
  const bool fold = !s->matchCase;
  for (int k = 0; k < count; k++) {
    const int d = first + k;
    ENTRY_MARKS marks = runMarks[k];
    if (marks.Open == MARK_NONE) continue;  // no pronunciation, nothing to compare
    const DictionaryEntry* entry = run[k];
    int length = entry[0];
    int end = length - n;
    int a = marks.Open + 1;
    if (a > end) continue;
    const WCHAR* text = entry + 1;
    int b = marks.Hash < end ? marks.Hash + 1 : end;
    // Windows that cannot match are passed over, with one branch for all three.
    bool ma = MayMatch<FirstExact>(text + a, q0, q1, fold);
    bool mb = MayMatch<FirstExact>(text + b, q0, q1, fold);
    bool me = (b != end) & MayMatch<FirstExact>(text + end, q0, q1, fold);
    if (!(ma | mb | me)) continue;
    if (ma) TryPinyinWindow(s, d, text, length, a);
    if (mb) TryPinyinWindow(s, d, text, length, b);
    if (me) TryPinyinWindow(s, d, text, length, end);
  }
}

// The scan of entries first to first + count - 1 (blocks run[k], marks marks[k]) that the
// query calls for: the pronunciation windows with PinYin on, else the candidate scan.
static void ScanEntries(Scan* s, const CandidateProbes* probes, CandidateScanner scanner, int pinyin,
                        const DictionaryEntry* const* run, const ENTRY_MARKS* marks, int first, int count)
{
  if (count <= 0) return;
  if (pinyin && (s->wholeWord || s->n != 6))
    ScanRunPinyin<true>(s, run, marks, first, count);
  else if (pinyin)
    ScanRunPinyin<false>(s, run, marks, first, count);
  else
    ScanRun(s, probes, scanner, run, first, count);
}

// ---- delivery

// The entries a scan accepted: s->entries[r] is position r of index and entries, or, with
// index null, an entry index of EntryTable.
struct Accepted {
  const int* index;
  const DictionaryEntry* const* entries;
  void Send(ResultSink sink, int accepted) const
  {
    int code = index ? index[accepted] : accepted;
    const DictionaryEntry* entry = index ? entries[accepted] : EntryTable.Entries[accepted];
    sink(code, entry[0], entry + 1);
  }
};

// A stable counting sort over the small range of scores: equal scores keep
// their acceptance order, which is entry order.
static void Deliver(const Scan* s, ResultSink sink, Accepted accepted = {nullptr, nullptr})
{
  if (s->count == 0) return;
  int low = s->scores[0], high = s->scores[0];
  for (int r = 1; r < s->count; r++) {
    if (s->scores[r] < low) low = s->scores[r];
    if (s->scores[r] > high) high = s->scores[r];
  }
  int buckets = high - low + 1;
  int* start = static_cast<int*>(calloc(buckets + 1, sizeof(int)));
  int* order = s->order ? s->order : static_cast<int*>(malloc(s->count * sizeof(int)));
  if (!start || !order) {
    // Without memory for the sort, fall back to repeated minimum selection.
    free(start);
    if (order != s->order) free(order);
    char* done = static_cast<char*>(calloc(s->count, 1));
    for (int k = 0; done && k < s->count; k++) {
      int best = -1;
      for (int r = 0; r < s->count; r++)
        if (!done[r] && (best < 0 || s->scores[r] < s->scores[best])) best = r;
      done[best] = 1;
      accepted.Send(sink, s->entries[best]);
    }
    free(done);
    return;
  }
  for (int r = 0; r < s->count; r++) start[s->scores[r] - low + 1]++;
  for (int b = 0; b < buckets; b++) start[b + 1] += start[b];
  for (int r = 0; r < s->count; r++) order[start[s->scores[r] - low]++] = r;
  for (int k = 0; k < s->count; k++) accepted.Send(sink, s->entries[order[k]]);
  free(start);
  if (order != s->order) free(order);
}

// Before the block of entries from first on: the share of the table scanned.
static void ReportProgress(LONG first, LONG count, ResultSink sink)
{
  if (first == 0) return;
  int percent = (int)(100LL * first / count);
  // 0 % and 1 % would read as entry 0 and the end of the search.
  if (percent >= 2) sink(-percent, 0, nullptr);
}

// A scan of the query's first n units, folded in place with matchCase 0.
static Scan StartScan(WCHAR* query, int n, int matchCase, int wholeWord)
{
  if (!matchCase)
    for (int p = 0; p < n; p++) query[p] = FoldUnit(query[p]);
  Scan s = {};
  s.query = query;
  s.n = n;
  s.matchCase = matchCase;
  s.wholeWord = wholeWord;
  s.threshold = MatchThreshold(n, query[0], wholeWord);
  return s;
}

void SearchDictionary(WCHAR* query, int matchCase, int wholeWord, int pinyin, ResultSink sink)
{
  int n = QueryUnits(query);
  if (n == 0) {
    sink(-1, 0, nullptr);
    return;
  }
  Scan s = StartScan(query, n, matchCase, wholeWord);
  CandidateScanner scanner = EffectiveScanner();
  CandidateProbes probes;
  SetProbes(&s, &probes);

  const LONG count = EntryTable.Count;
  for (LONG first = 0; first < count; first += 1000) {
    ReportProgress(first, count, sink);
    LONG last = first + 1000 < count ? first + 1000 : count;
    ScanEntries(&s, &probes, scanner, pinyin, EntryTable.Entries + first, EntryMarks ? EntryMarks + first : nullptr,
                (int)first, (int)(last - first));
  }

  Deliver(&s, sink);
  sink(-1, 0, nullptr);
  free(s.entries);
  free(s.scores);
}

int ExactLeadingUnits(int n, int wholeWord)
{
  // A mismatch at p costs MatchWeights[n - p] = 100 + 25 * (n - p), two more than any
  // threshold; whole words take none.
  if (wholeWord || n <= 4) return n;
  if (n == 5) return 4;  // threshold 125: only the last unit
  return n - 6;          // threshold 251: n - p at most 6
}

int CandidatesSuffice(const WCHAR* query, int wholeWord)
{
  int n = QueryUnits(query);
  // Any mismatch costs more than the thresholds of up to four units allow, and whole words
  // take no mismatch: every accepted window is the query itself.
  return n > 0 && (n <= 4 || wholeWord) ? n : 0;
}

void SearchCandidateEntries(WCHAR* query, int matchCase, int wholeWord, const int* index,
                            const DictionaryEntry* const* entries, int candidates, LONG tableCount, ResultSink sink,
                            int* room)
{
  int n = QueryUnits(query);
  if (n == 0) {
    sink(-1, 0, nullptr);
    return;
  }
  Scan s = StartScan(query, n, matchCase, wholeWord);
  if (room && candidates > 0) {  // an entry is accepted once at most
    s.entries = room;
    s.scores = room + candidates;
    s.order = room + 2 * candidates;
    s.capacity = candidates;
  }
  CandidateProbes probes;
  SetProbes(&s, &probes);
  const CandidateScanner scanner = EffectiveScanner();
  const WCHAR* found[CANDIDATE_BUFFER];
  // The same blocks and reports as the scan of the whole table, and within a block the same
  // candidates, each scored.
  int k = 0;
  for (LONG first = 0; first < tableCount; first += 1000) {
    ReportProgress(first, tableCount, sink);
    LONG last = first + 1000 < tableCount ? first + 1000 : tableCount;
    for (; k < candidates && index[k] < last; k++) {
      const DictionaryEntry* entry = entries[k];
      const int length = entry[0];
      const WCHAR* text = entry + 1;
      for (const WCHAR* from = text; from < text + length;) {
        int count = 0;
        from = scanner(&probes, from, text + length, found, &count, CANDIDATE_BUFFER);
        for (int c = 0; c < count; c++) {
          const int i = (int)(found[c] - text);
          if (i <= length - n) TryWindow(&s, k, text, length, i);
        }
      }
    }
  }
  Deliver(&s, sink, Accepted{index, entries});
  sink(-1, 0, nullptr);
  if (s.order) return;
  free(s.entries);
  free(s.scores);
}

struct RUN_SEARCH {
  Scan scan;
  CandidateProbes probes;
  CandidateScanner scanner;
  ByteCandidateScanner bytes;  // null unless runs may be scanned as their bytes
  int pinyin;
  WCHAR query[MAX_QUERY_UNITS + 1];
};

RUN_SEARCH* BeginRunSearch(const WCHAR* query, int matchCase, int wholeWord, int pinyin)
{
  int n = QueryUnits(query);
  if (n == 0) return nullptr;
  RUN_SEARCH* r = static_cast<RUN_SEARCH*>(calloc(1, sizeof(RUN_SEARCH)));
  if (!r) return nullptr;
  memcpy(r->query, query, n * sizeof(WCHAR));
  r->scan = StartScan(r->query, n, matchCase, wholeWord);
  r->pinyin = pinyin;
  r->scanner = EffectiveScanner();
  SetProbes(&r->scan, &r->probes);
  // Bytes stand for units only where every unit of the query is below 0x80, and only on the path
  // that has a scanner for them.
  bool narrow = !pinyin && EffectivePath() == SEARCH_PATH_AVX2;
  for (int p = 0; p < n; p++) narrow = narrow && r->query[p] < 0x80;
  r->bytes = narrow ? ScanCandidateBytesAvx2 : nullptr;
  return r;
}

const int* SearchRun(RUN_SEARCH* search, const DictionaryEntry* const* run, const ENTRY_MARKS* marks, LONG first,
                     int count, int* accepted, const uint8_t* narrow, const WCHAR* narrowFrom)
{
  if (narrow && search->bytes && count > 0)
    ScanRun(&search->scan, &search->probes, search->scanner, run, (int)first, count, search->bytes, narrow, narrowFrom);
  else
    ScanEntries(&search->scan, &search->probes, search->scanner, search->pinyin, run, marks, (int)first, count);
  *accepted = search->scan.count;
  return search->scan.entries;
}

void EndRunSearch(RUN_SEARCH* search, const DictionaryEntry* const* kept, LONG tableCount, ResultSink sink)
{
  if (!search) return;
  Scan* s = &search->scan;
  int* index = sink && s->count > 0 ? static_cast<int*>(malloc(s->count * sizeof(int))) : nullptr;
  if (sink) {
    for (LONG first = 0; first < tableCount; first += 1000) ReportProgress(first, tableCount, sink);
    // Delivered by their place among the accepted, which is where their kept blocks are.
    if (index) {
      for (int r = 0; r < s->count; r++) {
        index[r] = s->entries[r];
        s->entries[r] = r;
      }
      Deliver(s, sink, Accepted{index, kept});
    }
    sink(-1, 0, nullptr);
  }
  free(index);
  free(s->entries);
  free(s->scores);
  free(search);
}
