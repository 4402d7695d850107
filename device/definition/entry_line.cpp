#include "device/definition/entry_line.h"

#include <cstdlib>

#include "device/dictionary/database.h"

std::u16string EntryLine(int entry) {
  WCHAR* text = nullptr;
  int length = CopyEntryText(entry, &text);
  if (!text || length < 0) return u"";
  // The toneless key follows the last '#'; the word list's line is what stands before it.
  int end = length;
  while (end > 0 && text[end - 1] != u'#') --end;
  if (end > 0) --end;
  else end = length;
  std::u16string line;
  int i = 0;
  while (i < end && text[i] != u'/') ++i;
  int head = i;
  while (head > 0 && text[head - 1] == u' ') --head;
  line.assign(text, static_cast<size_t>(head));
  bool first = true;
  while (i < end) {
    int start = i + 1, j = start;
    while (j < end && text[j] != u'/') ++j;
    while (start < j && text[start] == u' ') ++start;
    if (start < j) {
      line += first ? u" " : u"; ";
      line.append(text + start, static_cast<size_t>(j - start));
      first = false;
    }
    i = j;
  }
  std::free(text);
  return line;
}
