// The best-match order: the search's results, with the headwords that start with or
// contain a Chinese query, in tiers of how closely the entry is the word asked for; within
// a tier, more common words first (word_frequency.h), the search's own order among equals.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

// The tiers, best first.
#define TIER_EXACT 0       // headword, pronunciation or a whole sense is the query ("to " + query too)
#define TIER_PREFIX 1      // headword starts with the query
#define TIER_CONTAINS 2    // headword holds the query further in
#define TIER_WHOLE_WORD 3  // the query as whole words in a sense (with PinYin on: whole syllables)
#define TIER_REST 4

// The tier of entry for the query forms asked (the query and its rewrites), each already
// folded to lower case when matchCase is 0. With PinYin on the pronunciation is compared,
// with it off the senses.
int MatchTier(int entry, const std::vector<std::u16string>& queries, int matchCase, int pinyin);

// 1 when every unit of text is a CJK character or symbol (U+2E80 and above).
int IsChineseText(const WCHAR* text, int length);

// Appends to out every entry not yet marked in seen (one byte per entry of the table) whose
// headword starts with query, then every one whose headword holds it further in, marking them.
void AddHeadwordMatches(const std::u16string& query, std::vector<char>* seen, std::vector<int>* out);

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
