// Pinyin with tone numbers (zhong1 guo2) as learners read it: tone marks over the vowel
// (zhōng guó) and a colour per tone. Both are options, off at first, kept in the
// settings file.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

// The tone digit ending a syllable, 1 to 5; 0 when the text is no numbered syllable.
int SyllableTone(const std::u16string& syllable);

// zhong1 → zhōng, lü4 and lu:4 → lǜ, ma5 → ma; the mark goes on a or e, on the o of ou,
// else on the last vowel. Anything that is no numbered syllable comes back unchanged.
std::u16string MarkSyllable(const std::u16string& syllable);

// The space-separated syllables of a pronunciation.
std::vector<std::u16string> Syllables(const std::u16string& pinyin);

// Every space-separated syllable of a pronunciation marked.
std::u16string MarkPinyin(const std::u16string& pinyin);

// The pinyin between square brackets marked, the rest left as it is: the pronunciation of
// an entry's line and the references inside its definitions.
std::u16string MarkBracketedPinyin(const std::u16string& text);

// The learner's scheme, each readable on white: 1 red, 2 orange, 3 green, 4 blue, 5 grey;
// `other` for 0.
COLORREF ToneColour(int tone, COLORREF other);

// The two options (settings "tone_marks" and "tone_colours", "1" for on).
int ToneMarksOn();
int ToneColoursOn();
