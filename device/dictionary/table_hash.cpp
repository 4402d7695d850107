#include "device/dictionary/table_hash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

static_assert(sizeof(XXH3_state_t) <= sizeof(TableHash::State) && alignof(XXH3_state_t) <= 64,
              "the state fits its room");

// table_hash_avx2.cpp, built for AVX2; null on other processors' builds.
extern void (*const TableHashUpdateAvx2)(XXH3_state_t* state, const void* data, size_t bytes);

static XXH3_state_t* State(TableHash* hash) { return reinterpret_cast<XXH3_state_t*>(hash->State); }

void TableHashReset(TableHash* hash) { XXH3_64bits_reset(State(hash)); }

void TableHashUpdate(TableHash* hash, const void* data, size_t bytes)
{
#if defined(__x86_64__)
  static const bool avx2 = TableHashUpdateAvx2 && __builtin_cpu_supports("avx2");
  if (avx2) {
    TableHashUpdateAvx2(State(hash), data, bytes);
    return;
  }
#endif
  XXH3_64bits_update(State(hash), data, bytes);
}

uint64_t TableHashDigest(const TableHash* hash)
{
  return XXH3_64bits_digest(reinterpret_cast<const XXH3_state_t*>(hash->State));
}

uint64_t TableHashOf(const void* data, size_t bytes)
{
  TableHash hash;
  TableHashReset(&hash);
  TableHashUpdate(&hash, data, bytes);
  return TableHashDigest(&hash);
}
