#include "installer/cedict_source.h"

static int IsBlank(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

int ParseCedictLine(const WCHAR* line, int length, CedictEntry* entry) {
  while (length > 0 && IsBlank(line[length - 1])) length--;
  if (length == 0 || line[0] == u'#') return 0;

  int first = 0;
  while (first < length && line[first] != u' ') first++;
  int second = first + 1;
  while (second < length && line[second] != u' ') second++;
  if (first == 0 || second >= length || second == first + 1) return 0;

  const WCHAR* rest = line + second + 1;
  int restLength = length - second - 1;
  if (restLength < 4 || rest[0] != u'[' || rest[restLength - 1] != u'/') return 0;
  int close = 1;
  while (close < restLength && rest[close] != u']') close++;
  if (close + 2 >= restLength || rest[close + 1] != u' ' || rest[close + 2] != u'/') return 0;

  entry->traditional = line;
  entry->traditionalLength = first;
  entry->simplified = line + first + 1;
  entry->simplifiedLength = second - first - 1;
  entry->rest = rest;
  entry->restLength = restLength;
  return 1;
}

// What bounds the two forms of a cross reference.
static int IsReferenceBound(WCHAR c) {
  switch (c) {
    case u' ': case u'\t': case u'/': case u'[': case u']': case u'(': case u')':
    case u',': case u';': case u':': case u'"': case u'|':
    case 0x3000: case 0x3001: case 0xFF08: case 0xFF09: case 0xFF0C: case 0xFF1A: case 0xFF1B:
      return 1;
    default:
      return 0;
  }
}

// A reference names Chinese words; a bar between two Latin words is left alone.
static int HasNonAscii(const WCHAR* text, int length) {
  for (int i = 0; i < length; i++) {
    if (text[i] >= 0x80) return 1;
  }
  return 0;
}

int FormatCedictEntry(const CedictEntry* entry, int variant, WCHAR* out, int capacity) {
  const WCHAR* headword = variant == CEDICT_TRADITIONAL ? entry->traditional : entry->simplified;
  int headwordLength =
      variant == CEDICT_TRADITIONAL ? entry->traditionalLength : entry->simplifiedLength;
  if (headwordLength + 1 + entry->restLength > capacity) return -1;

  int o = 0;
  for (int i = 0; i < headwordLength; i++) out[o++] = headword[i];
  out[o++] = u' ';

  const WCHAR* rest = entry->rest;
  int end = entry->restLength;
  int i = 0;
  // The pronunciation stays as it is; references live in the definitions.
  while (rest[i] != u']') out[o++] = rest[i++];
  int definitions = i;
  for (; i < end; i++) {
    WCHAR c = rest[i];
    if (c == u'|') {
      int a = i;
      while (a > definitions && !IsReferenceBound(rest[a - 1])) a--;
      int b = i + 1;
      while (b < end && !IsReferenceBound(rest[b])) b++;
      if (a < i && b > i + 1 && HasNonAscii(rest + a, i - a) && HasNonAscii(rest + i + 1, b - i - 1)) {
        // The traditional form A is already out; the simplified one replaces it.
        if (variant != CEDICT_TRADITIONAL) {
          o -= i - a;
          for (int k = i + 1; k < b; k++) out[o++] = rest[k];
        }
        i = b - 1;
        continue;
      }
    }
    out[o++] = c;
  }
  return o;
}

// text begins with the ASCII word (compared without case); its length or 0.
static int StartsWith(const WCHAR* text, int length, const char* word) {
  int i = 0;
  for (; word[i]; i++) {
    if (i >= length) return 0;
    WCHAR c = text[i];
    if (c >= u'A' && c <= u'Z') c = (WCHAR)(c - u'A' + u'a');
    if (c != (WCHAR)word[i]) return 0;
  }
  return i;
}

static void CopyValue(const WCHAR* value, int length, WCHAR* to, int size, int stopAtT) {
  while (length > 0 && IsBlank(value[length - 1])) length--;
  int n = 0;
  for (int i = 0; i < length && n < size - 1; i++) {
    if (stopAtT && value[i] == u'T') break;
    to[n++] = value[i];
  }
  to[n] = 0;
}

void ReadCedictHeaderLine(const WCHAR* line, int length, CedictHeader* header) {
  if (length < 2 || line[0] != u'#' || line[1] != u'!') return;
  int i = 2;
  while (i < length && line[i] == u' ') i++;
  int n;
  if ((n = StartsWith(line + i, length - i, "date="))) {
    CopyValue(line + i + n, length - i - n, header->date, 32, 1);
  } else if ((n = StartsWith(line + i, length - i, "license="))) {
    CopyValue(line + i + n, length - i - n, header->license, 128, 0);
  }
}

static int Append(WCHAR* out, int o, int capacity, const WCHAR* text) {
  if (o < 0) return -1;
  for (int i = 0; text[i]; i++) {
    if (o >= capacity) return -1;
    // The classic lists' header must encode in every code page.
    out[o++] = text[i] < 0x80 ? text[i] : u'?';
  }
  return o;
}

int FormatCedictHeader(const CedictHeader* header, int variant, WCHAR* out, int capacity) {
  int o = Append(out, 0, capacity, u"# CC-CEDICT of ");
  o = Append(out, o, capacity, header->date[0] ? header->date : u"unknown date");
  o = Append(out, o, capacity,
             variant == CEDICT_TRADITIONAL ? u", traditional headwords." : u", simplified headwords.");
  o = Append(out, o, capacity, u" Credit: CC-CEDICT, https://cc-cedict.org/wiki/ - License: CC BY-SA 4.0, ");
  o = Append(out, o, capacity,
             header->license[0] ? header->license : u"https://creativecommons.org/licenses/by-sa/4.0/");
  return o;
}

int LooksLikeCedictUtf8(const BYTE* bytes, DWORD count) {
  DWORD i = 0;
  if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) i = 3;
  static const char marker[] = "charset=utf-8";
  while (i < count && bytes[i] == '#') {
    DWORD end = i;
    while (end < count && bytes[end] != '\n' && bytes[end] != '\r') end++;
    if (end == count && count > 0) return 0;  // a line cut by the sample proves nothing
    DWORD j = i + 1;
    if (j < end && bytes[j] == '!') {
      j++;
      while (j < end && bytes[j] == ' ') j++;
      DWORD k = 0;
      while (marker[k] && j + k < end) {
        BYTE c = bytes[j + k];
        if (c >= 'A' && c <= 'Z') c = (BYTE)(c - 'A' + 'a');
        if (c != (BYTE)marker[k]) break;
        k++;
      }
      if (!marker[k]) return 1;
    }
    i = end;
    while (i < count && (bytes[i] == '\n' || bytes[i] == '\r')) i++;
  }
  return 0;
}
