// A search as the user set it up, above the scoring search: the query as typed; with PinYin on
// its forgiving rewrites (pinyin_input.h); a Chinese query also in the database's own script;
// and, with Best matches on, the best-match order (best_match.h).
//
// Best matches off: the scoring search's calls to the sink exactly, unless it finds nothing;
// only then are the rewrites and the converted query searched, in that order.
// Best matches on: the query as typed and its rewrites (with a Chinese query, the headwords
// that start with or contain it too) in tiers, then the converted query's hits, also in tiers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/dictionary/search_engine.h"
#include "platform/windows.h"

// Room for the converted query, terminator included.
#define FIND_NOTE_UNITS 64

struct FindNote {
  int results;                        // results delivered
  int converted;                      // 1 when the converted query found some of them
  WCHAR convertedText[FIND_NOTE_UNITS];
  int rewritten;                      // 1 when a pinyin rewrite found some of them
};

// query: the trimmed query, not changed. database: 1 Simplified, 2 Traditional (the script a
// Chinese query is converted into; other values convert nothing). note may be null.
void FindEntries(const WCHAR* query, int matchCase, int wholeWord, int pinyin, int best, int database,
                 ResultSink sink, FindNote* note);

// 1 when FindEntries with Best matches off searches the query as typed and nothing else, even
// when that finds nothing: PinYin off, and nothing in it to convert into the database's script.
int FindsOnlyTyped(const WCHAR* query, int pinyin, int database);

// Best matches first for a lookup that searches without loading the table: through the table
// read through (table_search.h) when FindEntries with Best matches on would only search some
// forms of the query (BestMatchForms: nothing Chinese in it, so no headwords to list and
// nothing to convert; the query, and with PinYin on its rewrites), or through the index with
// its headwords (lookup_index.h) when nothing is to be converted (FindsOnlyTyped; the form is
// the query). BeginBestMatches with those forms, then the searches' calls to BestMatchSink
// (the forms in turn; an entry found again is dropped), then EndBestMatches: the sink
// receives what FindEntries would hand it over the whole table, from copies of the results'
// texts. EndBestMatches returns false, having handed on nothing, when a copy could not be kept
// (no memory).
// EndBestMatches takes each result's frequency from counts[entry] (headword_counts.h) when
// they are given for a table of count entries, instead of asking the word-frequency list.
// (These four are in kept_best_matches.cpp.)
int BestMatchForms(const WCHAR* query, int pinyin, std::vector<std::u16string>* forms);
void BeginBestMatches(const std::vector<std::u16string>& forms, int matchCase, int pinyin, ResultSink sink);
void BestMatchSink(int code, int length, const WCHAR* text);
bool EndBestMatches(const uint32_t* counts = nullptr, size_t count = 0);

// Whether text holds a unit from U+2E80 on; text with A to Z folded unless matchCase.
bool HasChineseUnits(const WCHAR* text, int length);
std::u16string FoldedQuery(const std::u16string& text, int matchCase);

// Called from the sink's progress report (while messages are dispatched): the search in
// progress hands on no more results and ends, with its end signal, once the scan it is in
// has run to its end (the table stays as it is until then).
void StopFindingEntries();
