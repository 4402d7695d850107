// The best-match order: the search's results, with the headwords that start with or
// contain a Chinese query, in tiers of how closely the entry is the word asked for; within
// a tier, more common words first (word_frequency.h), the search's own order among equals.
#pragma once

#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "platform/windows.h"

// The tiers, best first. A sense is a text between slashes; it is the query when the query is
// the sense or its first gloss (up to a semicolon: "to love; to be fond of"), leading notes
// aside and "to " allowed before it. An entry's first sense is its main meaning: a query
// that is a later sense (那 "many/beautiful") comes after the words it is the main meaning of.
#define TIER_EXACT 0              // headword or pronunciation is the query, or a first sense is ("to " + query too)
#define TIER_EXACT_LATER 1        // a later sense is the query
#define TIER_PREFIX 2             // headword starts with the query
#define TIER_CONTAINS 3           // headword holds the query further in
#define TIER_WHOLE_WORD 4         // the query as whole words in the first sense (with PinYin on: whole syllables)
#define TIER_WHOLE_WORD_LATER 5   // the query as whole words in a later sense
#define TIER_REST 6

// The tier of entry for the query forms asked (the query and its rewrites), each already
// folded to lower case when matchCase is 0. With PinYin on the pronunciation is compared,
// with it off the senses.
int MatchTier(int entry, const std::vector<std::u16string>& queries, int matchCase, int pinyin);
// The same for an entry block anywhere (database.h), loaded or not.
int BlockMatchTier(const DictionaryEntry* block, const std::vector<std::u16string>& queries, int matchCase,
                   int pinyin);

// 1 when every unit of text is a CJK character or symbol (U+2E80 and above).
int IsChineseText(const WCHAR* text, int length);

// Appends to out every entry not yet marked in seen (one byte per entry of the table) whose
// headword starts with query, then every one whose headword holds it further in, marking them.
void AddHeadwordMatches(const std::u16string& query, std::vector<char>* seen, std::vector<int>* out);
// 1 when the headword of the entry of this block starts with query, 2 when it holds it further
// in, else 0 (units compared as they are).
int HeadwordHolds(const DictionaryEntry* block, const std::u16string& query);

// One result before ordering: group 0 holds the query as typed and its rewrites, group 1 the
// query converted into the database's script, whose hits come after.
struct BestMatch {
  int entry;
  int group;
  int rank;  // place in the order found: the search's order, then the headword matches
  int tier;
  unsigned frequency;
};

// Fills in each match's frequency (of its headword) and sorts by group, tier, frequency, rank.
void OrderBestMatches(std::vector<BestMatch>* matches);
// The frequency OrderBestMatches gives the entry of this block; sorting matches whose
// frequencies are filled in as OrderBestMatches does.
unsigned HeadwordFrequency(const DictionaryEntry* block);
void SortBestMatches(std::vector<BestMatch>* matches);
