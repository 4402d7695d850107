#include "device/dictionary/find_entries.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device/dictionary/best_match.h"
#include "device/dictionary/database.h"
#include "device/dictionary/pinyin_input.h"
#include "device/dictionary/script_convert.h"

namespace {

// The sink of the pass in progress hands its reports here (one search at a time).
ResultSink g_sink;
std::vector<char> g_seen;  // one byte per entry, kept between searches (the table's size)
std::vector<int> g_found;  // results of this pass not seen before, in the search's order
// The best-match search's working lists, kept between searches: a broad query has tens of
// thousands of results, and fresh memory for them each time costs more than ordering them.
std::vector<BestMatch> g_matches;
std::vector<BestMatch*> g_byEntry;
int g_forwarded;           // results handed on (Best matches off)
bool g_forward;            // hand results on at once (Best matches off) or keep them
bool g_stopped;            // StopFindingEntries: nothing more to find or hand on
bool g_dedup;              // more than one pass: an entry found again is dropped (g_seen)

void PassSink(int code, int length, const WCHAR* text)
{
  if (code == -1) return;  // the caller ends the whole search once
  if (code < -1) {
    g_sink(code, length, text);
    return;
  }
  if (g_stopped) return;
  if (g_dedup) {
    if (code >= (int)g_seen.size() || g_seen[(size_t)code]) return;
    g_seen[(size_t)code] = 1;
  }
  if (g_forward) {
    g_sink(code, length, text);
    g_forwarded++;
  } else {
    g_found.push_back(code);
  }
}

// One scoring search over a copy of text (the engine folds its query in place).
void Pass(const std::u16string& text, int matchCase, int wholeWord, int pinyin)
{
  if (g_stopped) return;
  std::u16string copy = text;
  SearchDictionary(copy.data(), matchCase, wholeWord, pinyin, PassSink);
}

// The query in the database's script, or empty when it is the same or cannot be converted.
std::u16string Converted(const WCHAR* query, int length, int database, int pinyin)
{
  if (pinyin || (database != 1 && database != 2) || !HasChineseUnits(query, length)) return u"";
  WCHAR out[FIND_NOTE_UNITS];
  int n = ConvertScript(query, length, database == 1 ? SCRIPT_TO_SIMPLIFIED : SCRIPT_TO_TRADITIONAL, out,
                        FIND_NOTE_UNITS);
  if (n <= 0 || (n == length && std::memcmp(out, query, (size_t)n * sizeof(WCHAR)) == 0)) return u"";
  return std::u16string(out, (size_t)n);
}

void NoteConverted(FindNote* note, const std::u16string& converted)
{
  if (!note) return;
  note->converted = 1;
  size_t n = converted.size() < FIND_NOTE_UNITS - 1 ? converted.size() : FIND_NOTE_UNITS - 1;
  std::memcpy(note->convertedText, converted.data(), n * sizeof(WCHAR));
  note->convertedText[n] = 0;
}

}  // namespace

void StopFindingEntries() { g_stopped = true; }

int FindsOnlyTyped(const WCHAR* query, int pinyin, int database)
{
  int length = 0;
  while (query[length]) length++;
  return !pinyin && Converted(query, length, database, pinyin).empty() ? 1 : 0;
}

void FindEntries(const WCHAR* query, int matchCase, int wholeWord, int pinyin, int best, int database,
                 ResultSink sink, FindNote* note)
{
  FindNote ignored;
  if (!note) note = &ignored;
  std::memset(note, 0, sizeof *note);
  int length = 0;
  while (query[length]) length++;
  std::u16string typed(query, (size_t)length);
  g_sink = sink;
  g_found.clear();
  g_forwarded = 0;
  g_stopped = false;

  // The seen marks cost a clear of the table's size: only searches of more than one pass take them.
  auto markSeen = [] {
    g_seen.assign((size_t)EntryTable.Count, 0);
    g_dedup = true;
  };
  g_dedup = false;
  if (!best) {
    // Exactly the scoring search, while it finds anything: one pass, nothing to drop.
    g_forward = true;
    Pass(typed, matchCase, wholeWord, pinyin);
    // Nothing was found, so nothing is marked before the passes that follow.
    if (g_forwarded == 0) markSeen();
    if (g_forwarded == 0 && pinyin) {
      for (const std::u16string& rewrite : PinyinRewrites(query, length)) Pass(rewrite, matchCase, wholeWord, pinyin);
      note->rewritten = g_forwarded > 0;
    }
    if (g_forwarded == 0) {
      std::u16string converted = Converted(query, length, database, pinyin);
      if (!converted.empty()) {
        Pass(converted, matchCase, wholeWord, pinyin);
        if (g_forwarded > 0) NoteConverted(note, converted);
      }
    }
    note->results = g_forwarded;
  } else {
    g_forward = false;
    markSeen();
    std::vector<BestMatch>& matches = g_matches;
    matches.clear();
    auto collect = [&](int group, const std::vector<std::u16string>& forms) {
      for (const std::u16string& form : forms) Pass(form, matchCase, wholeWord, pinyin);
      // Two Chinese characters never find the longer words that hold them (one finds every
      // word holding it, three or more too; with PinYin on, headwords are not searched): list those.
      if (!wholeWord && !g_stopped && (forms[0].size() == 2 || pinyin) &&
          IsChineseText(forms[0].data(), (int)forms[0].size()))
        AddHeadwordMatches(forms[0], &g_seen, &g_found);
      std::vector<std::u16string> folded;
      for (const std::u16string& form : forms) folded.push_back(FoldedQuery(form, matchCase));
      size_t first = matches.size();
      for (int entry : g_found) matches.push_back({entry, group, (int)matches.size(), TIER_REST, 0});
      // In table order, which reads the entries' texts front to back rather than at random.
      std::vector<BestMatch*>& byEntry = g_byEntry;
      byEntry.clear();
      for (size_t k = first; k < matches.size(); k++) byEntry.push_back(&matches[k]);
      std::sort(byEntry.begin(), byEntry.end(), [](const BestMatch* a, const BestMatch* b) { return a->entry < b->entry; });
      for (size_t k = 0; k < byEntry.size(); k++) {
        // The texts lie far apart in the table: ask for the next ones while this one is read.
        if (k + 8 < byEntry.size()) {
          const DictionaryEntry* ahead = EntryTable.Entries[byEntry[k + 8]->entry];
          __builtin_prefetch(ahead);
          __builtin_prefetch(ahead + 32);
          __builtin_prefetch(ahead + 64);
        }
        byEntry[k]->tier = MatchTier(byEntry[k]->entry, folded, matchCase, pinyin);
      }
      int found = (int)g_found.size();
      g_found.clear();
      return found;
    };
    std::vector<std::u16string> forms{typed};
    std::vector<std::u16string> rewrites;
    if (pinyin) rewrites = PinyinRewrites(query, length);
    forms.insert(forms.end(), rewrites.begin(), rewrites.end());
    collect(0, forms);
    if (!rewrites.empty()) note->rewritten = 1;
    std::u16string converted = Converted(query, length, database, pinyin);
    if (!converted.empty() && collect(1, {converted}) > 0) NoteConverted(note, converted);
    if (g_stopped) matches.clear();
    OrderBestMatches(&matches);
    for (const BestMatch& m : matches) sink(m.entry, EntryTable.Entries[m.entry][0], EntryTable.Entries[m.entry] + 1);
    note->results = (int)matches.size();
  }
  sink(-1, 0, nullptr);
}
