// Pinyin as learners type it, rewritten into the form of the dictionary's pronunciations:
// tone marks become tone digits (zhōng -> zhong1), ü and v become u: (nǚ, nv3 -> nu:3), and a
// run of letters that is not one syllable is split into syllables by the standard syllable
// table (xuexi -> xue xi). A run that splits more than one way gives one rewrite per way.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

// At most this many rewrites of one query.
#define MAX_PINYIN_REWRITES 4

// The rewrites of query (length units) that differ from it, in the order to search them;
// none when it is already in the dictionary's form or is no pinyin (a unit other than
// letters, tone-marked vowels, tone digits 1 to 5, spaces and apostrophes). Syllables all
// carrying a tone give a toned rewrite; otherwise the tones are dropped, as the toneless
// key has none.
std::vector<std::u16string> PinyinRewrites(const WCHAR* query, int length);

// 1 when text (length units, any case) is one syllable of the standard table, written as the
// dictionary writes it (u: for ü).
int IsPinyinSyllable(const WCHAR* text, int length);
