// The scoring search over the EntryTable. Lower scores are better matches;
// accepted entries go to the caller's sink best first, then the end signal.
#pragma once

#include <cstdint>

#include "device/dictionary/database.h"
#include "platform/windows.h"

// Receives the search's reports:
//   code >= 0   a result: code is the entry index, text the entry text in place
//               in the EntryTable (length units, valid until the next load);
//   code <= -2  progress: -code is the percentage of entries scanned (never
//               sent below 2 %, where the code would read as a result or the end);
//   code == -1  the end of the search, always the last call.
typedef void (*ResultSink)(int code, int length, const WCHAR* text);

// MatchWeights[k] = 100 + 25 * k. A mismatch at window position p of an
// n-unit window costs MatchWeights[n - p].
extern LONG MatchWeights[16];

// Only this many units of a query take part.
#define MAX_QUERY_UNITS 15

// The units of query that take part in a search (at most MAX_QUERY_UNITS).
int QueryUnits(const WCHAR* query);

// A unit as a search with match case off compares it: A to Z as a to z, nothing else.
inline WCHAR FoldUnit(WCHAR c) { return (c >= u'A' && c <= u'Z') ? (WCHAR)(c + 32) : c; }

void InitMatchWeights();

// 0 loads cedict.b5.dat, 1 loads cedict.gb.dat, anything else loads nothing;
// the match weights are set up in every case.
void SelectDictionary(int which);

// Scans the whole table for query and reports to sink. With matchCase 0 the
// first units of query (up to 15) are folded to lower case in place. An empty
// query finds nothing: the sink receives the end signal alone.
void SearchDictionary(WCHAR* query, int matchCase, int wholeWord, int pinyin, ResultSink sink);

// The score of one window of n units (window[n] is the following unit when
// hasFollowing is non-zero); preceding is the unit before the window, 0 at the
// start of the entry text. With matchCase 0 the window is folded in place.
int ScoreWindow(WCHAR* window, const WCHAR* query, int n, int matchCase, int wholeWord, int hasFollowing,
                WCHAR preceding);

// The acceptance threshold for an n-unit query (1 <= n <= 15) whose first
// unit is first; with whole word on it is -2. With PinYin on, an exact window
// that is whole syllables of the key (a space or '#' before it, a space or the
// end after it) is accepted whatever the threshold.
int MatchThreshold(int n, WCHAR first, int wholeWord);

// Which instructions find candidate windows. SEARCH_PATH_AUTO takes the best
// the processor has; the others exist so that every path can be compared.
#define SEARCH_PATH_AUTO 0
#define SEARCH_PATH_PORTABLE 1
#define SEARCH_PATH_SSE2 2
#define SEARCH_PATH_AVX2 3

// Returns 1 when the path can run on this processor, else 0.
int SearchPathSupported(int path);

// Chooses the path for the following searches; an unsupported path returns 0
// and changes nothing.
int SetSearchPath(int path);

// The number of the query's units when every window SearchDictionary accepts for it (PinYin
// off) is the query itself, unit for unit (after case folding): at most four units, or whole
// words. Else 0. Only then may a search be limited to the entries holding all its units.
int CandidatesSuffice(const WCHAR* query, int wholeWord);

// How many leading units of an n-unit query every window SearchDictionary accepts (PinYin off)
// holds exactly, after case folding. A window may differ from the query in one unit after
// them, never in two.
int ExactLeadingUnits(int n, int wholeWord);

// SearchDictionary (PinYin off) over the given entries alone, for a caller that knows that no
// other entry has a window the search accepts (for instance when CandidatesSuffice holds and
// every other entry lacks a unit of the query): entries[k] is the text block of entry index[k],
// index ascending, of a table of tableCount entries, with readable memory up to
// ENTRY_TABLE_SLACK units past its end (the candidate scan reads ahead). The sink then receives exactly the calls
// SearchDictionary would make over that table: the same progress reports, the same results in
// the same order, then the end. With room (3 * candidates ints, or null), the search keeps its
// accepted entries and their order there instead of taking memory as they come.
void SearchCandidateEntries(WCHAR* query, int matchCase, int wholeWord, const int* index,
                            const DictionaryEntry* const* entries, int candidates, LONG tableCount, ResultSink sink,
                            int* room = nullptr);

// SearchDictionary over a table its caller reads through in runs of whole entries, never
// holding all of it: BeginRunSearch (null for an empty query or without memory), then
// SearchRun for each run in table order, then EndRunSearch. The sink then receives exactly the
// calls SearchDictionary would make over the whole table.
struct RUN_SEARCH;
RUN_SEARCH* BeginRunSearch(const WCHAR* query, int matchCase, int wholeWord, int pinyin);

// Scans the count entries from entry index first on, whose blocks run[k] lie one after another
// in memory, with readable memory from one unit before the first to 32 units past the last,
// and whose marks are marks[k] (read with PinYin on only). Returns the indices of every entry
// accepted so far, ascending, and their number in accepted: the caller keeps a copy of each
// new one's block, as the run may go. narrow, when given, holds a byte for each unit from
// narrowFrom (inside the run) to the run's end, the unit itself below 0x80 and zero for any
// other, readable from one byte before narrowFrom to 48 past the run's end: a search that can
// scans those bytes instead of the units, with the same results.
const int* SearchRun(RUN_SEARCH* search, const DictionaryEntry* const* run, const ENTRY_MARKS* marks, LONG first,
                     int count, int* accepted, const uint8_t* narrow = nullptr, const WCHAR* narrowFrom = nullptr);

// Sends the search's reports to sink over a table of tableCount entries, kept[r] being the
// block of the r-th accepted entry, and frees the search; with sink null it only frees it.
void EndRunSearch(RUN_SEARCH* search, const DictionaryEntry* const* kept, LONG tableCount, ResultSink sink);
