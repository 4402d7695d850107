#include "device/dictionary/search_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first unit c at from or after it before to; to when there is none.
static const WCHAR* FindUnit(const WCHAR* from, const WCHAR* to, WCHAR c)
{
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi16((short)c);
  for (; to - from >= 8; from += 8) {
    int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), wanted));
    if (hits) return from + __builtin_ctz((unsigned)hits) / 2;
  }
#endif
  while (from < to && *from != c) from++;
  return from;
}

// The definitions the right column shows: [*from, *end) of text, empty when there are none.
static void DefinitionSpan(const WCHAR* text, int length, int* from, int* end)
{
  int slash = length > 1 ? (int)(FindUnit(text + 1, text + length, u'/') - text) : length;
  if (slash >= length) {
    *from = *end = length;
    return;
  }
  // The definitions end at the first '#' after them.
  *end = (int)(FindUnit(text + slash + 1, text + length, u'#') - text);
  int i = slash + 1;
  // Leading notes such as "(surname) " are skipped; an unclosed one stays.
  for (int group = 0; group < 2 && i < *end && text[i] == u'('; group++) {
    int close = (int)(FindUnit(text + i + 1, text + *end, u')') - text);
    if (close >= *end) break;
    i = close + 2 < *end ? close + 2 : *end;
  }
  // A definition that is a note and nothing else shows the note.
  *from = i >= *end ? slash + 1 : i;
}

int DefinitionRowText(const WCHAR* text, int length, WCHAR* out)
{
  int count = 0, i, end;
  DefinitionSpan(text, length, &i, &end);
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

// One unit in UTF-8 ('/' as ", " with slashes, counted); false at a surrogate.
static inline bool PutUnit(WCHAR c, bool slashes, char*& out, int& slashCount)
{
  if (c < 0x80) {
    if (slashes && c == u'/') {
      *out++ = ',';
      *out++ = ' ';
      slashCount++;
    } else {
      *out++ = (char)c;
    }
  } else if (c < 0x800) {
    *out++ = (char)(0xC0 | (c >> 6));
    *out++ = (char)(0x80 | (c & 0x3F));
  } else if ((c & 0xF800) == 0xD800) {
    return false;
  } else {
    *out++ = (char)(0xE0 | (c >> 12));
    *out++ = (char)(0x80 | ((c >> 6) & 0x3F));
    *out++ = (char)(0x80 | (c & 0x3F));
  }
  return true;
}

// The units [from, to) in UTF-8 into out (room for three bytes a unit), each '/' as ", " with
// slashes, and how many there were: the bytes, or -1 at a surrogate. With a stop unit (else -1)
// the units end at the first of it. *ended says where they ended. The ASCII units up to the
// next other one (or '/', or the stop) go eight at a time; that one alone.
static int Utf8Of(const WCHAR* from, const WCHAR* to, bool slashes, int stop, char* out, int& slashCount,
                  const WCHAR** ended)
{
  char* start = out;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16((short)0xFF80), slash = _mm_set1_epi16(slashes ? u'/' : 0),
                stopper = _mm_set1_epi16((short)(stop < 0 ? 0xFFFF : stop));
  while (to - from >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i marked = _mm_or_si128(_mm_cmpeq_epi16(v, slash), _mm_cmpeq_epi16(v, stopper));
    __m128i plain = _mm_andnot_si128(marked, _mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128()));
    // All eight written: those before the first other unit are right, and the rest is written
    // again (at least 24 bytes of room are left: eight units at least are).
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
    const unsigned other = ~(unsigned)_mm_movemask_epi8(plain) & 0xFFFF;
    if (other == 0) {
      out += 8;
      from += 8;
      continue;
    }
    const int k = __builtin_ctz(other) / 2;
    out += k;
    from += k;
    if (*from == stop) break;
    if (!PutUnit(*from++, slashes, out, slashCount)) return -1;
  }
#endif
  for (; from < to && *from != stop; from++)
    if (!PutUnit(*from, slashes, out, slashCount)) return -1;
  *ended = from;
  return (int)(out - start);
}

int HeadwordRowUtf8(const WCHAR* text, int length, char* out)
{
  int end = FindMarker(text, length, true), slashes = 0;
  const WCHAR* ended;
  return end < ROW_TEXT_SIZE ? Utf8Of(text, text + end, false, -1, out, slashes, &ended) : -1;
}

int DefinitionRowUtf8(const WCHAR* text, int length, char* out)
{
  // The row DefinitionSpan gives, found without first looking for the '#' that ends the
  // definitions (the conversion stops at it): each leading note is checked for one in it.
  int slash = length > 1 ? (int)(FindUnit(text + 1, text + length, u'/') - text) : length;
  if (slash >= length) return 0;
  int i = slash + 1;  // [slash + 1, i) holds no '#'
  bool noted = false;  // the notes reach the end of the definitions
  for (int group = 0; group < 2 && i < length && text[i] == u'('; group++) {
    const WCHAR* close = FindUnit(text + i + 1, text + length, u')');
    if (close == text + length || FindUnit(text + i + 1, close, u'#') < close) break;  // unclosed
    if (close + 1 == text + length || close[1] == u'#') {
      noted = true;
      break;
    }
    i = (int)(close - text) + 2;
  }
  noted = noted || i >= length || text[i] == u'#';
  const int from = noted ? slash + 1 : i;
  // At most the units the row can show. Each '/' becomes two units: a row that may reach the
  // cut is left to DefinitionRowText (one cut with no '/' is what it shows).
  const WCHAR* limit = length - from >= ROW_TEXT_SIZE ? text + from + ROW_TEXT_SIZE - 1 : text + length;
  const WCHAR* end;
  int slashes = 0, size = Utf8Of(text + from, limit, true, u'#', out, slashes, &end);
  return size >= 0 && (end - text) - from + slashes < ROW_TEXT_SIZE ? size : -1;
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
