#include "device/dictionary/unit_search.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

static uint64_t MaskPortable(const WCHAR* from, size_t count, const WCHAR units[4])
{
  uint64_t bits = 0;
  for (size_t k = 0; k < count; k++) {
    WCHAR c = from[k];
    if (c == units[0] || c == units[1] || c == units[2] || c == units[3]) bits |= (uint64_t)1 << k;
  }
  return bits;
}

#if defined(__x86_64__) || defined(__i386__)
// Two bits per unit from movemask; pext-free compaction keeps this SSE2/AVX2 only.
static inline uint32_t EvenBits32(uint32_t v)
{
  v &= 0x55555555u;
  v = (v | (v >> 1)) & 0x33333333u;
  v = (v | (v >> 2)) & 0x0F0F0F0Fu;
  v = (v | (v >> 4)) & 0x00FF00FFu;
  v = (v | (v >> 8)) & 0x0000FFFFu;
  return v;
}

// Whole runs of sixteen (or eight) units go at once; the units after the last whole run one by
// one, so that nothing past count is read.
__attribute__((target("avx2"))) static uint64_t MaskAvx2(const WCHAR* from, size_t count, const WCHAR units[4])
{
  __m256i u0 = _mm256_set1_epi16((short)units[0]), u1 = _mm256_set1_epi16((short)units[1]);
  __m256i u2 = _mm256_set1_epi16((short)units[2]), u3 = _mm256_set1_epi16((short)units[3]);
  const int blocks = (int)(count / 16);
  uint64_t bits = blocks < 4 ? MaskPortable(from + 16 * blocks, count - 16 * blocks, units) << (16 * blocks) : 0;
  for (int block = 0; block < blocks; block++) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 16 * block));
    __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, u0), _mm256_cmpeq_epi16(v, u1)),
                                  _mm256_or_si256(_mm256_cmpeq_epi16(v, u2), _mm256_cmpeq_epi16(v, u3)));
    // Pack the 16-bit lanes to bytes so that movemask gives one bit per unit.
    __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi16(hit, hit), 0xD8);
    bits |= (uint64_t)(uint16_t)_mm256_movemask_epi8(packed) << (16 * block);
  }
  return bits;
}

__attribute__((target("sse2"))) static uint64_t MaskSse2(const WCHAR* from, size_t count, const WCHAR units[4])
{
  __m128i u0 = _mm_set1_epi16((short)units[0]), u1 = _mm_set1_epi16((short)units[1]);
  __m128i u2 = _mm_set1_epi16((short)units[2]), u3 = _mm_set1_epi16((short)units[3]);
  const int blocks = (int)(count / 8);
  uint64_t bits = blocks < 8 ? MaskPortable(from + 8 * blocks, count - 8 * blocks, units) << (8 * blocks) : 0;
  for (int block = 0; block < blocks; block++) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8 * block));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, u0), _mm_cmpeq_epi16(v, u1)),
                               _mm_or_si128(_mm_cmpeq_epi16(v, u2), _mm_cmpeq_epi16(v, u3)));
    bits |= (uint64_t)EvenBits32((uint32_t)_mm_movemask_epi8(hit)) << (8 * block);
  }
  return bits;
}
#endif

typedef uint64_t (*MaskFunction)(const WCHAR*, size_t, const WCHAR*);

static MaskFunction Best()
{
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();  // this runs during static initialisation
  if (__builtin_cpu_supports("avx2")) return MaskAvx2;
  if (__builtin_cpu_supports("sse2")) return MaskSse2;
#endif
  return MaskPortable;
}

static MaskFunction Chosen = Best();

uint64_t MarkerMask(const WCHAR* from, size_t count, const WCHAR units[4])
{
  return Chosen(from, count, units);
}

int SetMarkerPath(int path)
{
  switch (path) {
    case 0: Chosen = Best(); return 1;
    case 1: Chosen = MaskPortable; return 1;
#if defined(__x86_64__) || defined(__i386__)
    case 2:
      if (!__builtin_cpu_supports("sse2")) return 0;
      Chosen = MaskSse2;
      return 1;
    case 3:
      if (!__builtin_cpu_supports("avx2")) return 0;
      Chosen = MaskAvx2;
      return 1;
#endif
  }
  return 0;
}
