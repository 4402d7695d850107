#include "device/definition/entry_parts.h"

#include "device/dictionary/database.h"

namespace {

bool IsHeadwordUnit(char16_t c) {
  // What a reference's headwords are made of: Chinese, the '|' between the two scripts,
  // and the letters and middle dots of names such as 卡拉OK or 米·老鼠.
  if (c >= 0x2E80) return c < 0xFF00 || c > 0xFF0F;
  return c == u'|' || c == 0x00B7 || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         (c >= u'0' && c <= u'9');
}

std::u16string FoldPinyin(const std::u16string& pinyin) {
  std::u16string out;
  for (size_t i = 0; i < pinyin.size(); ++i) {
    char16_t c = pinyin[i];
    if (c == u'u' && i + 1 < pinyin.size() && pinyin[i + 1] == u':') {
      out += u'v';
      ++i;
    } else if (c == 0x00FC || c == 0x00DC) {
      out += u'v';
    } else if (c >= u'A' && c <= u'Z') {
      out += static_cast<char16_t>(c - u'A' + u'a');
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

EntryParts SplitEntry(const WCHAR* text, int length) {
  EntryParts parts;
  // The table's entries end with '#' and the toneless key; the line is what stands before.
  int end = length;
  bool keyed = false;
  for (int i = 0; i < length; ++i)
    if (text[i] == u'#') keyed = true;
  if (keyed) {
    while (end > 0 && text[end - 1] != u'#') --end;
    --end;
  }
  int k = 1;
  while (k < end && text[k] != u'/' && text[k] != u'[') ++k;
  int head = k < end ? k : end;
  while (head > 0 && text[head - 1] == u' ') --head;
  parts.headword.assign(text, static_cast<size_t>(head > 0 ? head : 0));
  int i = k;
  if (k < end && text[k] == u'[') {
    int close = k + 1;
    while (close < end && text[close] != u']') ++close;
    parts.pinyin.assign(text + k + 1, static_cast<size_t>(close - k - 1));
    i = close;
  }
  while (i < end && text[i] != u'/') ++i;
  while (i < end) {
    int start = i + 1, j = start;
    while (j < end && text[j] != u'/') ++j;
    while (start < j && text[start] == u' ') ++start;
    if (start < j) parts.senses.emplace_back(text + start, static_cast<size_t>(j - start));
    i = j;
  }
  return parts;
}

std::vector<CrossReference> FindCrossReferences(const std::u16string& sense) {
  std::vector<CrossReference> found;
  size_t from = 0;
  while (true) {
    size_t open = sense.find(u'[', from);
    if (open == std::u16string::npos) break;
    size_t close = sense.find(u']', open);
    if (close == std::u16string::npos) break;
    size_t start = open;
    while (start > from && IsHeadwordUnit(sense[start - 1])) --start;
    // Letters alone ("see [ref]", "A[...]") are no headword: at least one Chinese unit.
    bool chinese = false;
    for (size_t i = start; i < open; ++i) chinese = chinese || sense[i] >= 0x2E80;
    if (chinese && close > open + 1) {
      std::u16string words = sense.substr(start, open - start);
      size_t bar = words.find(u'|');
      CrossReference ref{static_cast<int>(start), static_cast<int>(close + 1), words, words,
                         sense.substr(open + 1, close - open - 1)};
      if (bar != std::u16string::npos) {
        ref.traditional = words.substr(0, bar);
        ref.simplified = words.substr(bar + 1);
      }
      if (!ref.traditional.empty() && !ref.simplified.empty()) found.push_back(ref);
    }
    from = close + 1;
  }
  return found;
}

int FindEntry(const std::u16string& headword, const std::u16string& pinyin) {
  if (headword.empty()) return -1;
  std::u16string wanted = FoldPinyin(pinyin);
  int first = -1;
  for (LONG i = 0; i < EntryTable.Count; ++i) {
    const WCHAR* text = EntryTable.Entries[i] + 1;
    int length = EntryTable.Entries[i][0];
    if (length <= static_cast<int>(headword.size()) || text[headword.size()] != u' ' ||
        headword.compare(0, headword.size(), text, headword.size()) != 0)
      continue;
    if (first < 0) first = static_cast<int>(i);
    EntryParts parts = SplitEntry(text, length);
    if (parts.headword == headword && FoldPinyin(parts.pinyin) == wanted) return static_cast<int>(i);
  }
  return first;
}
