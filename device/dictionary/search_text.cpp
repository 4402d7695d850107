#include "device/dictionary/search_text.h"

int TrimQuery(WCHAR* text)
{
  int length = 0;
  while (text[length]) length++;
  int begin = 0;
  while (begin < length && text[begin] == u' ') begin++;
  int end = length;
  while (end > begin && text[end - 1] == u' ') end--;
  for (int i = begin; i < end; i++) text[i - begin] = text[i];
  text[end - begin] = 0;
  return end - begin;
}

// First of '/' or '[' (or only '/') at index 1 or later; length when absent.
static int FindMarker(const WCHAR* text, int length, bool bracketToo)
{
  for (int i = 1; i < length; i++)
    if (text[i] == u'/' || (bracketToo && text[i] == u'[')) return i;
  return length;
}

int HeadwordRowText(const WCHAR* text, int length, WCHAR* out)
{
  int end = FindMarker(text, length, true);
  int count = 0;
  for (int i = 0; i < end && count < ROW_TEXT_SIZE - 1; i++) out[count++] = text[i];
  out[count] = 0;
  return count;
}

int DefinitionRowText(const WCHAR* text, int length, WCHAR* out)
{
  int count = 0;
  int slash = FindMarker(text, length, false);
  int end = slash;
  if (slash < length) {
    // The definitions end at the first '#' after them.
    end = slash + 1;
    while (end < length && text[end] != u'#') end++;
  }
  int i = slash + 1;
  // Leading notes such as "(surname) " are skipped; an unclosed one stays.
  for (int group = 0; group < 2 && i < end && text[i] == u'('; group++) {
    int close = i + 1;
    while (close < end && text[close] != u')') close++;
    if (close >= end) break;
    i = close + 2 < end ? close + 2 : end;
  }
  // A definition that is a note and nothing else shows the note.
  if (i >= end) i = slash + 1;
  for (; i < end && count < ROW_TEXT_SIZE - 1; i++) {
    if (text[i] == u'/') {
      out[count++] = u',';
      if (count < ROW_TEXT_SIZE - 1) out[count++] = u' ';
    } else {
      out[count++] = text[i];
    }
  }
  out[count] = 0;
  return count;
}

int ResultCountText(int count, WCHAR* out)
{
  if (count == 1) return wsprintfW(out, u"(One search result)");
  if (count <= 0) return wsprintfW(out, u"(No search results)");
  return wsprintfW(out, u"(%d seach results)", count);
}

int ConvertedCountText(int count, const WCHAR* converted, WCHAR* out)
{
  WCHAR shown[13];
  int n = 0;
  while (n < 12 && converted[n]) shown[n] = converted[n], n++;
  // A surrogate pair is never cut in half.
  if (n == 12 && converted[n] && shown[11] >= 0xD800 && shown[11] <= 0xDBFF) n--;
  shown[n] = 0;
  return wsprintfW(out, u"(%d found as %s)", count, shown);
}
