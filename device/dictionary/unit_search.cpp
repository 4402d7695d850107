#include "device/dictionary/unit_search.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

static const WCHAR* FindEitherPortable(const WCHAR* from, const WCHAR* to, WCHAR a, WCHAR b)
{
  while (from < to && *from != a && *from != b) from++;
  return from;
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) static const WCHAR* FindEitherAvx2(const WCHAR* from, const WCHAR* to, WCHAR a,
                                                                   WCHAR b)
{
  __m256i va = _mm256_set1_epi16((short)a), vb = _mm256_set1_epi16((short)b);
  while (to - from >= 16) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    unsigned bits = (unsigned)_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi16(v, va), _mm256_cmpeq_epi16(v, vb)));
    if (bits) return from + __builtin_ctz(bits) / 2;
    from += 16;
  }
  return FindEitherPortable(from, to, a, b);
}

__attribute__((target("sse2"))) static const WCHAR* FindEitherSse2(const WCHAR* from, const WCHAR* to, WCHAR a,
                                                                   WCHAR b)
{
  __m128i va = _mm_set1_epi16((short)a), vb = _mm_set1_epi16((short)b);
  while (to - from >= 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    unsigned bits = (unsigned)_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
    if (bits) return from + __builtin_ctz(bits) / 2;
    from += 8;
  }
  return FindEitherPortable(from, to, a, b);
}
#endif

typedef const WCHAR* (*EitherFinder)(const WCHAR*, const WCHAR*, WCHAR, WCHAR);

static EitherFinder ChooseFinder()
{
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return FindEitherAvx2;
  if (__builtin_cpu_supports("sse2")) return FindEitherSse2;
#endif
  return FindEitherPortable;
}

const WCHAR* FindEitherUnit(const WCHAR* from, const WCHAR* to, WCHAR a, WCHAR b)
{
  static const EitherFinder finder = ChooseFinder();
  return finder(from, to, a, b);
}
