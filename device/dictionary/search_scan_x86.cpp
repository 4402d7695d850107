// SSE2 and AVX2 versions of the candidate scan, compiled with function-level
// targets so the library runs on any x86-64 and picks its path at run time.
#include "device/dictionary/search_scan.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define ORLEND_SSE2 __attribute__((target("sse2")))
#define ORLEND_AVX2 __attribute__((target("avx2")))

// movemask gives two bits per 16-bit unit; keep one.
#define UNIT_BITS_128 0x5555u
#define UNIT_BITS_256 0x55555555u

ORLEND_SSE2 static inline __m128i Probe128(const WCHAR* x, int offset, __m128i orMask, __m128i value)
{
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + offset));
  return _mm_cmpeq_epi16(_mm_or_si128(v, orMask), value);
}

ORLEND_SSE2 static const WCHAR* ScanSse2(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity)
{
  __m128i orMask[4], value[4];
  for (int k = 0; k < 4; k++) {
    orMask[k] = _mm_set1_epi16((short)p->orMask[k]);
    value[k] = _mm_set1_epi16((short)p->value[k]);
  }
  int n = *count;
  const WCHAR* x = from;
  for (; x < to; x += 8) {
    if (n > capacity - 8) break;
    __m128i e0 = Probe128(x, p->offset[0], orMask[0], value[0]);
    __m128i e1 = Probe128(x, p->offset[1], orMask[1], value[1]);
    __m128i e2 = Probe128(x, p->offset[2], orMask[2], value[2]);
    __m128i e3 = Probe128(x, p->offset[3], orMask[3], value[3]);
    __m128i hit = p->pairs ? _mm_or_si128(_mm_and_si128(e0, e1), _mm_and_si128(e2, e3))
                           : _mm_and_si128(_mm_and_si128(e0, e1), _mm_or_si128(e2, e3));
    unsigned bits = (unsigned)_mm_movemask_epi8(hit) & UNIT_BITS_128;
    if (!bits) continue;
    if (to - x < 8) bits &= (1u << (2 * (to - x))) - 1;
    while (bits) {
      out[n++] = x + __builtin_ctz(bits) / 2;
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

ORLEND_AVX2 static inline __m256i Probe256(const WCHAR* x, int offset, __m256i orMask, __m256i value)
{
  __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + offset));
  return _mm256_cmpeq_epi16(_mm256_or_si256(v, orMask), value);
}

ORLEND_AVX2 static const WCHAR* ScanAvx2(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity)
{
  __m256i orMask[4], value[4];
  for (int k = 0; k < 4; k++) {
    orMask[k] = _mm256_set1_epi16((short)p->orMask[k]);
    value[k] = _mm256_set1_epi16((short)p->value[k]);
  }
  int n = *count;
  const WCHAR* x = from;
  for (; x < to; x += 16) {
    if (n > capacity - 16) break;
    __m256i e0 = Probe256(x, p->offset[0], orMask[0], value[0]);
    __m256i e1 = Probe256(x, p->offset[1], orMask[1], value[1]);
    __m256i e2 = Probe256(x, p->offset[2], orMask[2], value[2]);
    __m256i e3 = Probe256(x, p->offset[3], orMask[3], value[3]);
    __m256i hit = p->pairs ? _mm256_or_si256(_mm256_and_si256(e0, e1), _mm256_and_si256(e2, e3))
                           : _mm256_and_si256(_mm256_and_si256(e0, e1), _mm256_or_si256(e2, e3));
    unsigned bits = (unsigned)_mm256_movemask_epi8(hit) & UNIT_BITS_256;
    if (!bits) continue;
    if (to - x < 16) bits &= (1u << (2 * (to - x))) - 1;
    while (bits) {
      out[n++] = x + __builtin_ctz(bits) / 2;
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

ORLEND_SSE2 static const WCHAR* FindSse2(const WCHAR* from, const WCHAR* to, WCHAR unit)
{
  __m128i u = _mm_set1_epi16((short)unit);
  for (const WCHAR* x = from; x < to; x += 8) {
    unsigned bits = (unsigned)_mm_movemask_epi8(
                        _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)), u)) &
                    UNIT_BITS_128;
    if (bits) {
      const WCHAR* hit = x + __builtin_ctz(bits) / 2;
      return hit < to ? hit : to;
    }
  }
  return to;
}

ORLEND_AVX2 static const WCHAR* FindAvx2(const WCHAR* from, const WCHAR* to, WCHAR unit)
{
  __m256i u = _mm256_set1_epi16((short)unit);
  for (const WCHAR* x = from; x < to; x += 16) {
    unsigned bits = (unsigned)_mm256_movemask_epi8(_mm256_cmpeq_epi16(
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x)), u)) &
                    UNIT_BITS_256;
    if (bits) {
      const WCHAR* hit = x + __builtin_ctz(bits) / 2;
      return hit < to ? hit : to;
    }
  }
  return to;
}

const CandidateScanner ScanCandidatesSse2 = ScanSse2;
const CandidateScanner ScanCandidatesAvx2 = ScanAvx2;
const UnitFinder FindUnitSse2 = FindSse2;
const UnitFinder FindUnitAvx2 = FindAvx2;

#else

const CandidateScanner ScanCandidatesSse2 = nullptr;
const CandidateScanner ScanCandidatesAvx2 = nullptr;
const UnitFinder FindUnitSse2 = nullptr;
const UnitFinder FindUnitAvx2 = nullptr;

#endif
