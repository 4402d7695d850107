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

// Where the definitions the right column shows begin: after the first '/' from index 1 on,
// leading notes such as "(surname) " skipped (an unclosed one stays), unless the notes are all
// there is before the '#' that ends the definitions; length when there is no '/'. The units
// from the first '/' up to the start hold no '#'.
static int DefinitionStart(const WCHAR* text, int length)
{
  int slash = length > 1 ? (int)(FindUnit(text + 1, text + length, u'/') - text) : length;
  if (slash >= length) return length;
  int i = slash + 1;  // [slash + 1, i) holds no '#'
  for (int group = 0; group < 2 && i < length && text[i] == u'('; group++) {
    const WCHAR* close = FindUnit(text + i + 1, text + length, u')');
    if (close == text + length || FindUnit(text + i + 1, close, u'#') < close) break;  // unclosed
    if (close + 1 == text + length || close[1] == u'#') return slash + 1;  // a note and nothing else
    i = (int)(close - text) + 2;
  }
  return i >= length || text[i] == u'#' ? slash + 1 : i;
}

// The definitions the right column shows: [*from, *end) of text, empty when there are none.
static void DefinitionSpan(const WCHAR* text, int length, int* from, int* end)
{
  *from = DefinitionStart(text, length);
  *end = (int)(FindUnit(text + *from, text + length, u'#') - text);
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

// The first k of eight ASCII units (their bytes in source, ',' and ' ' after them) into out, the
// slashes among them (a bit each in spread) each spread to ", ".
SEARCH_TEXT_SSSE3 static inline void PutSpread(__m128i source, int k, unsigned spread, const WCHAR*& from, char*& out,
                                               int& slashCount)
{
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                   _mm_shuffle_epi8(source, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSlashSpreads.at[spread]))));
  const int spreads = __builtin_popcount(spread);
  out += k + spreads;
  slashCount += spreads;
  from += k;
}

// Utf8Of's units eight at a time while eight are left and they are ASCII: their bytes, each '/'
// spread to ", " in the same step; the first other unit alone. Stops at the stop unit, or where
// fewer than eight are left; false at a surrogate.
SEARCH_TEXT_SSSE3 static bool Utf8Steps(const WCHAR*& from, const WCHAR* to, bool slashes, int stop, char*& out,
                                        int& slashCount)
{
  const __m128i high = _mm_set1_epi16((short)0xFF80), slash = _mm_set1_epi16((short)(slashes ? u'/' : 0xFFFF)),
                stopper = _mm_set1_epi16((short)(stop < 0 ? 0xFFFF : stop)), commaSpace = _mm_set1_epi16(0x202C);
  while (to - from >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi16(v, stopper),
                                           _mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128()));
    const unsigned other = ~(unsigned)_mm_movemask_epi8(plain) & 0xFFFF;
    // The eight as bytes with each slash spread, written whole: those before the first other
    // unit are right, and the rest is written again (at least 24 bytes of room are left).
    const unsigned spread = (unsigned)_mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(v, slash), _mm_setzero_si128()));
    const __m128i source = _mm_unpacklo_epi64(_mm_packus_epi16(v, v), commaSpace);
    if (other == 0) {  // a branch, not a choice of how many: the next load waits on nothing
      PutSpread(source, 8, spread, from, out, slashCount);
      continue;
    }
    const int k = __builtin_ctz(other) / 2;
    PutSpread(source, k, spread & ((1u << k) - 1), from, out, slashCount);
    if (*from == stop) break;
    if (!PutUnit(*from++, slashes, out, slashCount)) return false;
  }
  return true;
}

static const bool kHasSsse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt"));
#endif

// The units [from, to) in UTF-8 into out (room for three bytes a unit), each '/' as ", " with
// slashes, and how many there were: the bytes, or -1 at a surrogate. With a stop unit (else -1)
// the units end at the first of it. *ended says where they ended.
static int Utf8Of(const WCHAR* from, const WCHAR* to, bool slashes, int stop, char* out, int& slashCount,
                  const WCHAR** ended)
{
  char* start = out;
#if defined(__x86_64__) || defined(__i386__)
  if (kHasSsse3 && !Utf8Steps(from, to, slashes, stop, out, slashCount)) return -1;
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
  // The row DefinitionSpan gives, the conversion stopping at the '#' that ends it instead of a
  // search for the '#' first; at most the units the row can show. Each '/' becomes two units: a
  // row that may reach the cut is left to DefinitionRowText (one cut with no '/' is what it
  // shows).
  const int from = DefinitionStart(text, length);
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
