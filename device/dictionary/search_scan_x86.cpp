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

// ---- SSE2, 8 positions at a time

ORLEND_SSE2 static inline __m128i Load128(const WCHAR* x)
{
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
}

ORLEND_SSE2 static inline __m128i Holds128(const WCHAR* x, int offset, WCHAR orMask, WCHAR value)
{
  return _mm_cmpeq_epi16(_mm_or_si128(Load128(x + offset), _mm_set1_epi16((short)orMask)),
                         _mm_set1_epi16((short)value));
}

ORLEND_SSE2 static inline __m128i InRange128(__m128i v, WCHAR low, WCHAR span)
{
  __m128i above = _mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16((short)low)), _mm_set1_epi16((short)span));
  return _mm_cmpeq_epi16(above, _mm_setzero_si128());
}

ORLEND_SSE2 static inline __m128i IsBoundary128(__m128i v)
{
  return _mm_or_si128(_mm_or_si128(InRange128(v, 0x20, 0x0F), InRange128(v, 0x3A, 0x06)),
                      _mm_or_si128(InRange128(v, 0x5B, 0x02), InRange128(v, 0x3014, 0x02)));
}

ORLEND_SSE2 static inline unsigned SecondTest128(const CandidateProbes* p, const WCHAR* x)
{
  __m128i ok = _mm_set1_epi16(-1);
  if (p->counted) {
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < p->counted; k++)
      sum = _mm_add_epi16(sum, Holds128(x, p->countOffset[k], p->countOrMask[k], p->countValue[k]));
    ok = _mm_cmpgt_epi16(_mm_set1_epi16((short)(1 - p->needed)), sum);
  }
  if (p->boundary)
    ok = _mm_and_si128(ok, _mm_or_si128(IsBoundary128(Load128(x + p->boundary)), IsBoundary128(Load128(x - 1))));
  return (unsigned)_mm_movemask_epi8(ok);
}

template <int Shape>
ORLEND_SSE2 static const WCHAR* ScanSse2(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity)
{
  int n = *count;
  const WCHAR* x = from;
  const bool second = p->counted || p->boundary;
  for (; x < to; x += 8) {
    if (n > capacity - 8) break;
    __m128i hit = Holds128(x, p->offset[0], p->orMask[0], p->value[0]);
    if constexpr (Shape >= SHAPE_TWO) hit = _mm_and_si128(hit, Holds128(x, p->offset[1], p->orMask[1], p->value[1]));
    if constexpr (Shape == SHAPE_THREE)
      hit = _mm_and_si128(hit, Holds128(x, p->offset[2], p->orMask[2], p->value[2]));
    if constexpr (Shape == SHAPE_AND_OR)
      hit = _mm_and_si128(hit, _mm_or_si128(Holds128(x, p->offset[2], p->orMask[2], p->value[2]),
                                            Holds128(x, p->offset[3], p->orMask[3], p->value[3])));
    if constexpr (Shape == SHAPE_PAIRS) {
      __m128i b = _mm_and_si128(Holds128(x, p->offset[2], p->orMask[2], p->value[2]),
                                Holds128(x, p->offset[3], p->orMask[3], p->value[3]));
      __m128i c = _mm_and_si128(Holds128(x, p->offset[4], p->orMask[4], p->value[4]),
                                Holds128(x, p->offset[5], p->orMask[5], p->value[5]));
      hit = _mm_or_si128(_mm_and_si128(hit, b), _mm_and_si128(c, _mm_or_si128(hit, b)));
    }
    unsigned bits = (unsigned)_mm_movemask_epi8(hit) & UNIT_BITS_128;
    if (!bits) continue;
    if (second) bits &= SecondTest128(p, x);
    if (to - x < 8) bits &= (1u << (2 * (to - x))) - 1;
    while (bits) {
      out[n++] = x + __builtin_ctz(bits) / 2;
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

ORLEND_SSE2 static const WCHAR* ScanSse2Any(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                            const WCHAR** out, int* count, int capacity)
{
  switch (p->shape) {
    case SHAPE_ONE: return ScanSse2<SHAPE_ONE>(p, from, to, out, count, capacity);
    case SHAPE_TWO: return ScanSse2<SHAPE_TWO>(p, from, to, out, count, capacity);
    case SHAPE_THREE: return ScanSse2<SHAPE_THREE>(p, from, to, out, count, capacity);
    case SHAPE_AND_OR: return ScanSse2<SHAPE_AND_OR>(p, from, to, out, count, capacity);
    default: return ScanSse2<SHAPE_PAIRS>(p, from, to, out, count, capacity);
  }
}

// ---- AVX2, 16 positions at a time

ORLEND_AVX2 static inline __m256i Load256(const WCHAR* x)
{
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
}

ORLEND_AVX2 static inline __m256i Holds256(const WCHAR* x, int offset, WCHAR orMask, WCHAR value)
{
  return _mm256_cmpeq_epi16(_mm256_or_si256(Load256(x + offset), _mm256_set1_epi16((short)orMask)),
                            _mm256_set1_epi16((short)value));
}

ORLEND_AVX2 static inline __m256i InRange256(__m256i v, WCHAR low, WCHAR span)
{
  __m256i shifted = _mm256_sub_epi16(v, _mm256_set1_epi16((short)low));
  return _mm256_cmpeq_epi16(_mm256_min_epu16(shifted, _mm256_set1_epi16((short)span)), shifted);
}

ORLEND_AVX2 static inline __m256i IsBoundary256(__m256i v)
{
  return _mm256_or_si256(_mm256_or_si256(InRange256(v, 0x20, 0x0F), InRange256(v, 0x3A, 0x06)),
                         _mm256_or_si256(InRange256(v, 0x5B, 0x02), InRange256(v, 0x3014, 0x02)));
}

ORLEND_AVX2 static inline unsigned SecondTest256(const CandidateProbes* p, const WCHAR* x)
{
  __m256i ok = _mm256_set1_epi16(-1);
  if (p->counted) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < p->counted; k++)
      sum = _mm256_add_epi16(sum, Holds256(x, p->countOffset[k], p->countOrMask[k], p->countValue[k]));
    ok = _mm256_cmpgt_epi16(_mm256_set1_epi16((short)(1 - p->needed)), sum);
  }
  if (p->boundary)
    ok = _mm256_and_si256(ok,
                          _mm256_or_si256(IsBoundary256(Load256(x + p->boundary)), IsBoundary256(Load256(x - 1))));
  return (unsigned)_mm256_movemask_epi8(ok);
}

template <int Shape>
ORLEND_AVX2 static const WCHAR* ScanAvx2(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity)
{
  int n = *count;
  const WCHAR* x = from;
  const bool second = p->counted || p->boundary;
  for (; x < to; x += 16) {
    if (n > capacity - 16) break;
    __m256i hit = Holds256(x, p->offset[0], p->orMask[0], p->value[0]);
    if constexpr (Shape >= SHAPE_TWO)
      hit = _mm256_and_si256(hit, Holds256(x, p->offset[1], p->orMask[1], p->value[1]));
    if constexpr (Shape == SHAPE_THREE)
      hit = _mm256_and_si256(hit, Holds256(x, p->offset[2], p->orMask[2], p->value[2]));
    if constexpr (Shape == SHAPE_AND_OR)
      hit = _mm256_and_si256(hit, _mm256_or_si256(Holds256(x, p->offset[2], p->orMask[2], p->value[2]),
                                                  Holds256(x, p->offset[3], p->orMask[3], p->value[3])));
    if constexpr (Shape == SHAPE_PAIRS) {
      __m256i b = _mm256_and_si256(Holds256(x, p->offset[2], p->orMask[2], p->value[2]),
                                   Holds256(x, p->offset[3], p->orMask[3], p->value[3]));
      __m256i c = _mm256_and_si256(Holds256(x, p->offset[4], p->orMask[4], p->value[4]),
                                   Holds256(x, p->offset[5], p->orMask[5], p->value[5]));
      hit = _mm256_or_si256(_mm256_and_si256(hit, b), _mm256_and_si256(c, _mm256_or_si256(hit, b)));
    }
    unsigned bits = (unsigned)_mm256_movemask_epi8(hit) & UNIT_BITS_256;
    if (!bits) continue;
    if (second) bits &= SecondTest256(p, x);
    if (to - x < 16) bits &= (1u << (2 * (to - x))) - 1;
    while (bits) {
      out[n++] = x + __builtin_ctz(bits) / 2;
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

ORLEND_AVX2 static const WCHAR* ScanAvx2Any(const CandidateProbes* p, const WCHAR* from, const WCHAR* to,
                                            const WCHAR** out, int* count, int capacity)
{
  switch (p->shape) {
    case SHAPE_ONE: return ScanAvx2<SHAPE_ONE>(p, from, to, out, count, capacity);
    case SHAPE_TWO: return ScanAvx2<SHAPE_TWO>(p, from, to, out, count, capacity);
    case SHAPE_THREE: return ScanAvx2<SHAPE_THREE>(p, from, to, out, count, capacity);
    case SHAPE_AND_OR: return ScanAvx2<SHAPE_AND_OR>(p, from, to, out, count, capacity);
    default: return ScanAvx2<SHAPE_PAIRS>(p, from, to, out, count, capacity);
  }
}

// ---- AVX2 over bytes, 32 positions at a time

ORLEND_AVX2 static inline __m256i HoldsBytes(const uint8_t* x, int offset, WCHAR orMask, WCHAR value)
{
  return _mm256_cmpeq_epi8(_mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + offset)),
                                           _mm256_set1_epi8((char)orMask)),
                           _mm256_set1_epi8((char)value));
}

ORLEND_AVX2 static inline __m256i InRangeBytes(__m256i v, uint8_t low, uint8_t span)
{
  __m256i shifted = _mm256_sub_epi8(v, _mm256_set1_epi8((char)low));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, _mm256_set1_epi8((char)span)), shifted);
}

// As IsBoundary256, a zero byte (a unit of 0x80 or more) counting as one.
ORLEND_AVX2 static inline __m256i IsBoundaryBytes(__m256i v)
{
  return _mm256_or_si256(_mm256_or_si256(InRangeBytes(v, 0x20, 0x0F), InRangeBytes(v, 0x3A, 0x06)),
                         _mm256_or_si256(InRangeBytes(v, 0x5B, 0x02), _mm256_cmpeq_epi8(v, _mm256_setzero_si256())));
}

ORLEND_AVX2 static inline unsigned SecondTestBytes(const CandidateProbes* p, const uint8_t* x)
{
  __m256i ok = _mm256_set1_epi8(-1);
  if (p->counted) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < p->counted; k++)
      sum = _mm256_add_epi8(sum, HoldsBytes(x, p->countOffset[k], p->countOrMask[k], p->countValue[k]));
    ok = _mm256_cmpgt_epi8(_mm256_set1_epi8((char)(1 - p->needed)), sum);
  }
  if (p->boundary)
    ok = _mm256_and_si256(ok, _mm256_or_si256(IsBoundaryBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + p->boundary))),
                                              IsBoundaryBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x - 1)))));
  return (unsigned)_mm256_movemask_epi8(ok);
}

template <int Shape>
ORLEND_AVX2 static const uint8_t* ScanBytesAvx2(const CandidateProbes* p, const uint8_t* from, const uint8_t* to,
                                                const uint8_t** out, int* count, int capacity)
{
  int n = *count;
  const uint8_t* x = from;
  const bool second = p->counted || p->boundary;
  for (; x < to; x += 32) {
    if (n > capacity - 32) break;
    __m256i hit = HoldsBytes(x, p->offset[0], p->orMask[0], p->value[0]);
    if constexpr (Shape >= SHAPE_TWO)
      hit = _mm256_and_si256(hit, HoldsBytes(x, p->offset[1], p->orMask[1], p->value[1]));
    if constexpr (Shape == SHAPE_THREE)
      hit = _mm256_and_si256(hit, HoldsBytes(x, p->offset[2], p->orMask[2], p->value[2]));
    if constexpr (Shape == SHAPE_AND_OR)
      hit = _mm256_and_si256(hit, _mm256_or_si256(HoldsBytes(x, p->offset[2], p->orMask[2], p->value[2]),
                                                  HoldsBytes(x, p->offset[3], p->orMask[3], p->value[3])));
    if constexpr (Shape == SHAPE_PAIRS) {
      __m256i b = _mm256_and_si256(HoldsBytes(x, p->offset[2], p->orMask[2], p->value[2]),
                                   HoldsBytes(x, p->offset[3], p->orMask[3], p->value[3]));
      __m256i c = _mm256_and_si256(HoldsBytes(x, p->offset[4], p->orMask[4], p->value[4]),
                                   HoldsBytes(x, p->offset[5], p->orMask[5], p->value[5]));
      hit = _mm256_or_si256(_mm256_and_si256(hit, b), _mm256_and_si256(c, _mm256_or_si256(hit, b)));
    }
    unsigned bits = (unsigned)_mm256_movemask_epi8(hit);
    if (!bits) continue;
    if (second) bits &= SecondTestBytes(p, x);
    if (to - x < 32) bits &= (1u << (to - x)) - 1;
    while (bits) {
      out[n++] = x + __builtin_ctz(bits);
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

ORLEND_AVX2 static const uint8_t* ScanBytesAvx2Any(const CandidateProbes* p, const uint8_t* from, const uint8_t* to,
                                                   const uint8_t** out, int* count, int capacity)
{
  switch (p->shape) {
    case SHAPE_ONE: return ScanBytesAvx2<SHAPE_ONE>(p, from, to, out, count, capacity);
    case SHAPE_TWO: return ScanBytesAvx2<SHAPE_TWO>(p, from, to, out, count, capacity);
    case SHAPE_THREE: return ScanBytesAvx2<SHAPE_THREE>(p, from, to, out, count, capacity);
    case SHAPE_AND_OR: return ScanBytesAvx2<SHAPE_AND_OR>(p, from, to, out, count, capacity);
    default: return ScanBytesAvx2<SHAPE_PAIRS>(p, from, to, out, count, capacity);
  }
}

const CandidateScanner ScanCandidatesSse2 = ScanSse2Any;
const CandidateScanner ScanCandidatesAvx2 = ScanAvx2Any;
const ByteCandidateScanner ScanCandidateBytesAvx2 = ScanBytesAvx2Any;

#else

const CandidateScanner ScanCandidatesSse2 = nullptr;
const CandidateScanner ScanCandidatesAvx2 = nullptr;
const ByteCandidateScanner ScanCandidateBytesAvx2 = nullptr;

#endif
