#include "device/dictionary/search_text.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
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

#if defined(__x86_64__) || defined(__i386__)
#define SEARCH_TEXT_SSSE3 __attribute__((target("ssse3,popcnt")))

// For each set of slashes among eight ASCII units (a bit each), where each byte of their UTF-8
// comes from: the unit's own byte, or for a slash ',' and ' ' (bytes 8 and 9 of the source).
struct SlashSpreads {
  uint8_t at[256][16];
  constexpr SlashSpreads() : at()
  {
    for (int mask = 0; mask < 256; mask++) {
      int o = 0;
      for (int i = 0; i < 8; i++) {
        if ((mask >> i) & 1) {
          at[mask][o++] = 8;
          at[mask][o++] = 9;
        } else {
          at[mask][o++] = (uint8_t)i;
        }
      }
      while (o < 16) at[mask][o++] = 0x80;
    }
  }
};
static constexpr SlashSpreads kSlashSpreads;

// Utf8Of's units eight at a time while they are ASCII: their bytes, each '/' spread to ", " in
// the same step; the first other unit (or the stop) alone.
SEARCH_TEXT_SSSE3 static int Utf8OfSsse3(const WCHAR* from, const WCHAR* to, bool slashes, int stop, char* out,
                                         int& slashCount, const WCHAR** ended)
{
  char* start = out;
  const __m128i high = _mm_set1_epi16((short)0xFF80), slash = _mm_set1_epi16((short)(slashes ? u'/' : 0xFFFF)),
                stopper = _mm_set1_epi16((short)(stop < 0 ? 0xFFFF : stop)), commaSpace = _mm_set1_epi16(0x202C);
  while (to - from >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi16(v, stopper),
                                           _mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128()));
    const unsigned other = ~(unsigned)_mm_movemask_epi8(plain) & 0xFFFF;
    // The eight as bytes with each slash spread, written whole: those before the first other
    // unit are right, and the rest is written again (at least 24 bytes of room are left).
    unsigned spread = (unsigned)_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(v, slash), _mm_setzero_si128()));
    const __m128i source = _mm_unpacklo_epi64(_mm_packus_epi16(v, v), commaSpace);
    if (other == 0) {  // a branch, not a choice of k: the next load waits on nothing
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                       _mm_shuffle_epi8(source, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSlashSpreads.at[spread]))));
      const int spreads = __builtin_popcount(spread);
      out += 8 + spreads;
      slashCount += spreads;
      from += 8;
      continue;
    }
    const int k = __builtin_ctz(other) / 2;
    spread &= (1u << k) - 1;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_shuffle_epi8(source, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSlashSpreads.at[spread]))));
    const int spreads = __builtin_popcount(spread);
    out += k + spreads;
    slashCount += spreads;
    from += k;
    if (*from == stop) break;
    if (!PutUnit(*from++, slashes, out, slashCount)) return -1;
  }
  for (; from < to && *from != stop; from++)
    if (!PutUnit(*from, slashes, out, slashCount)) return -1;
  *ended = from;
  return (int)(out - start);
}

static const bool kHasSsse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt"));
#endif

// The units [from, to) in UTF-8 into out (room for three bytes a unit), each '/' as ", " with
// slashes, and how many there were: the bytes, or -1 at a surrogate. With a stop unit (else -1)
// the units end at the first of it. *ended says where they ended.
static int Utf8Of(const WCHAR* from, const WCHAR* to, bool slashes, int stop, char* out, int& slashCount,
                  const WCHAR** ended)
{
#if defined(__x86_64__) || defined(__i386__)
  if (kHasSsse3) return Utf8OfSsse3(from, to, slashes, stop, out, slashCount, ended);
#endif
  char* start = out;
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
