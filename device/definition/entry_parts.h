// An entry taken apart for the whole-entry page and the word list: headword,
// pronunciation, senses, and the cross-references inside the senses.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

struct EntryParts {
  std::u16string headword;
  std::u16string pinyin;  // without brackets; empty when the entry has none
  std::vector<std::u16string> senses;
};

// Splits an entry's text as the table holds it (line, '#', toneless key) or as the word
// list holds it (the line alone).
EntryParts SplitEntry(const WCHAR* text, int length);

// A reference to another entry inside a sense: 中国[Zhong1 guo2] or 中國|中国[Zhong1 guo2].
struct CrossReference {
  int start, end;  // units of the sense, the headwords to the closing bracket
  std::u16string traditional, simplified;  // the same when only one is written
  std::u16string pinyin;
};
std::vector<CrossReference> FindCrossReferences(const std::u16string& sense);

// The entry of the loaded table with this headword and pronunciation (capitals and u: / ü
// alike); the first with the headword when none has the pronunciation; -1 when none.
int FindEntry(const std::u16string& headword, const std::u16string& pinyin);
