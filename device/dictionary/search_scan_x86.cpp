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

// ---- AVX2, over units (16 positions at a time) or over a byte a unit (32)

// What differs between the two: the width of a lane, and which values are boundaries.
struct UnitLanes {
  typedef WCHAR Lane;
  static const int kStep = 16;
  ORLEND_AVX2 static __m256i Set(WCHAR v) { return _mm256_set1_epi16((short)v); }
  ORLEND_AVX2 static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi16(a, b); }
  ORLEND_AVX2 static __m256i Add(__m256i a, __m256i b) { return _mm256_add_epi16(a, b); }
  ORLEND_AVX2 static __m256i Greater(__m256i a, __m256i b) { return _mm256_cmpgt_epi16(a, b); }
  ORLEND_AVX2 static __m256i InRange(__m256i v, WCHAR low, WCHAR span)
  {
    __m256i shifted = _mm256_sub_epi16(v, Set(low));
    return _mm256_cmpeq_epi16(_mm256_min_epu16(shifted, Set(span)), shifted);
  }
  ORLEND_AVX2 static __m256i IsBoundary(__m256i v) { return InRange(v, 0x3014, 0x02); }
  // movemask gives two bits per 16-bit lane; one is kept.
  static unsigned Lanes(unsigned mask) { return mask & UNIT_BITS_256; }
  static int Position(unsigned bit) { return (int)bit / 2; }
  static unsigned Below(ptrdiff_t lanes) { return (1u << (2 * lanes)) - 1; }
};

// A unit of 0x80 or more is a zero byte, which passes as a boundary: its unit may be one.
struct ByteLanes {
  typedef uint8_t Lane;
  static const int kStep = 32;
  ORLEND_AVX2 static __m256i Set(WCHAR v) { return _mm256_set1_epi8((char)v); }
  ORLEND_AVX2 static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi8(a, b); }
  ORLEND_AVX2 static __m256i Add(__m256i a, __m256i b) { return _mm256_add_epi8(a, b); }
  ORLEND_AVX2 static __m256i Greater(__m256i a, __m256i b) { return _mm256_cmpgt_epi8(a, b); }
  ORLEND_AVX2 static __m256i InRange(__m256i v, WCHAR low, WCHAR span)
  {
    __m256i shifted = _mm256_sub_epi8(v, Set(low));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, Set(span)), shifted);
  }
  ORLEND_AVX2 static __m256i IsBoundary(__m256i v) { return _mm256_cmpeq_epi8(v, _mm256_setzero_si256()); }
  static unsigned Lanes(unsigned mask) { return mask; }
  static int Position(unsigned bit) { return (int)bit; }
  static unsigned Below(ptrdiff_t lanes) { return (1u << lanes) - 1; }
};

template <class L>
ORLEND_AVX2 static inline __m256i Load256(const typename L::Lane* x)
{
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
}

template <class L>
ORLEND_AVX2 static inline __m256i Holds256(const typename L::Lane* x, int offset, WCHAR orMask, WCHAR value)
{
  return L::Equal(_mm256_or_si256(Load256<L>(x + offset), L::Set(orMask)), L::Set(value));
}

template <class L>
ORLEND_AVX2 static inline __m256i IsBoundary256(__m256i v)
{
  return _mm256_or_si256(_mm256_or_si256(L::InRange(v, 0x20, 0x0F), L::InRange(v, 0x3A, 0x06)),
                         _mm256_or_si256(L::InRange(v, 0x5B, 0x02), L::IsBoundary(v)));
}

template <class L>
ORLEND_AVX2 static inline unsigned SecondTest256(const CandidateProbes* p, const typename L::Lane* x)
{
  __m256i ok = _mm256_set1_epi8(-1);
  if (p->counted) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < p->counted; k++)
      sum = L::Add(sum, Holds256<L>(x, p->countOffset[k], p->countOrMask[k], p->countValue[k]));
    ok = L::Greater(L::Set((WCHAR)(1 - p->needed)), sum);
  }
  if (p->boundary)
    ok = _mm256_and_si256(ok, _mm256_or_si256(IsBoundary256<L>(Load256<L>(x + p->boundary)),
                                              IsBoundary256<L>(Load256<L>(x - 1))));
  return (unsigned)_mm256_movemask_epi8(ok);
}

template <class L, int Shape>
ORLEND_AVX2 static const typename L::Lane* ScanAvx2(const CandidateProbes* p, const typename L::Lane* from,
                                                    const typename L::Lane* to, const typename L::Lane** out,
                                                    int* count, int capacity)
{
  int n = *count;
  const typename L::Lane* x = from;
  const bool second = p->counted || p->boundary;
  for (; x < to; x += L::kStep) {
    if (n > capacity - L::kStep) break;
    __m256i hit = Holds256<L>(x, p->offset[0], p->orMask[0], p->value[0]);
    if constexpr (Shape >= SHAPE_TWO)
      hit = _mm256_and_si256(hit, Holds256<L>(x, p->offset[1], p->orMask[1], p->value[1]));
    if constexpr (Shape == SHAPE_THREE)
      hit = _mm256_and_si256(hit, Holds256<L>(x, p->offset[2], p->orMask[2], p->value[2]));
    if constexpr (Shape == SHAPE_AND_OR)
      hit = _mm256_and_si256(hit, _mm256_or_si256(Holds256<L>(x, p->offset[2], p->orMask[2], p->value[2]),
                                                  Holds256<L>(x, p->offset[3], p->orMask[3], p->value[3])));
    if constexpr (Shape == SHAPE_PAIRS) {
      __m256i b = _mm256_and_si256(Holds256<L>(x, p->offset[2], p->orMask[2], p->value[2]),
                                   Holds256<L>(x, p->offset[3], p->orMask[3], p->value[3]));
      __m256i c = _mm256_and_si256(Holds256<L>(x, p->offset[4], p->orMask[4], p->value[4]),
                                   Holds256<L>(x, p->offset[5], p->orMask[5], p->value[5]));
      hit = _mm256_or_si256(_mm256_and_si256(hit, b), _mm256_and_si256(c, _mm256_or_si256(hit, b)));
    }
    unsigned bits = L::Lanes((unsigned)_mm256_movemask_epi8(hit));
    if (!bits) continue;
    if (second) bits &= SecondTest256<L>(p, x);
    if (to - x < L::kStep) bits &= L::Below(to - x);
    while (bits) {
      out[n++] = x + L::Position((unsigned)__builtin_ctz(bits));
      bits &= bits - 1;
    }
  }
  *count = n;
  return x < to ? x : to;
}

template <class L>
ORLEND_AVX2 static const typename L::Lane* ScanAvx2Any(const CandidateProbes* p, const typename L::Lane* from,
                                                       const typename L::Lane* to, const typename L::Lane** out,
                                                       int* count, int capacity)
{
  switch (p->shape) {
    case SHAPE_ONE: return ScanAvx2<L, SHAPE_ONE>(p, from, to, out, count, capacity);
    case SHAPE_TWO: return ScanAvx2<L, SHAPE_TWO>(p, from, to, out, count, capacity);
    case SHAPE_THREE: return ScanAvx2<L, SHAPE_THREE>(p, from, to, out, count, capacity);
    case SHAPE_AND_OR: return ScanAvx2<L, SHAPE_AND_OR>(p, from, to, out, count, capacity);
    default: return ScanAvx2<L, SHAPE_PAIRS>(p, from, to, out, count, capacity);
  }
}

const CandidateScanner ScanCandidatesSse2 = ScanSse2Any;
const CandidateScanner ScanCandidatesAvx2 = ScanAvx2Any<UnitLanes>;
const ByteCandidateScanner ScanCandidateBytesAvx2 = ScanAvx2Any<ByteLanes>;

#else

const CandidateScanner ScanCandidatesSse2 = nullptr;
const CandidateScanner ScanCandidatesAvx2 = nullptr;
const ByteCandidateScanner ScanCandidateBytesAvx2 = nullptr;

#endif
