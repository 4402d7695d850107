#include "device/dictionary/unit_search.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

static const WCHAR* FindAnyPortable(const WCHAR* from, const WCHAR* to, WCHAR a, WCHAR b, WCHAR c)
{
  while (from < to && *from != a && *from != b && *from != c) from++;
  return from;
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static const WCHAR* FindAnyAvx2(const WCHAR* from, const WCHAR* to, WCHAR a,
                                                                WCHAR b, WCHAR c)
{
  __m256i va = _mm256_set1_epi16((short)a), vb = _mm256_set1_epi16((short)b), vc = _mm256_set1_epi16((short)c);
  while (to - from >= 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, va), _mm256_cmpeq_epi16(v, vb)),
                                  _mm256_cmpeq_epi16(v, vc));
    unsigned bits = (unsigned)_mm256_movemask_epi8(hit);
    if (bits) return from + __builtin_ctz(bits) / 2;
    from += 16;
  }
  return FindAnyPortable(from, to, a, b, c);
}

__attribute__((target("sse2"))) static const WCHAR* FindAnySse2(const WCHAR* from, const WCHAR* to, WCHAR a,
                                                                WCHAR b, WCHAR c)
{
  __m128i va = _mm_set1_epi16((short)a), vb = _mm_set1_epi16((short)b), vc = _mm_set1_epi16((short)c);
  while (to - from >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)), _mm_cmpeq_epi16(v, vc));
    unsigned bits = (unsigned)_mm_movemask_epi8(hit);
    if (bits) return from + __builtin_ctz(bits) / 2;
    from += 8;
  }
  return FindAnyPortable(from, to, a, b, c);
}
#endif

typedef const WCHAR* (*AnyFinder)(const WCHAR*, const WCHAR*, WCHAR, WCHAR, WCHAR);

static AnyFinder ChooseFinder()
{
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return FindAnyAvx2;
  if (__builtin_cpu_supports("sse2")) return FindAnySse2;
#endif
  return FindAnyPortable;
}

const WCHAR* FindAnyUnit(const WCHAR* from, const WCHAR* to, WCHAR a, WCHAR b, WCHAR c)
{
  static const AnyFinder finder = ChooseFinder();
  return finder(from, to, a, b, c);
}
