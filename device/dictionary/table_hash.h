// The kept table's content hash (XXH3, 64 bits), fed piece by piece. The same value on every
// processor; where AVX2 is there, it is used: the hash runs over the whole table at each load.
#pragma once

#include <cstddef>
#include <cstdint>

struct TableHash {
  alignas(64) unsigned char State[640];  // an XXH3 streaming state
};

void TableHashReset(TableHash* hash);
void TableHashUpdate(TableHash* hash, const void* data, size_t bytes);
uint64_t TableHashDigest(const TableHash* hash);
// The hash of bytes alone.
uint64_t TableHashOf(const void* data, size_t bytes);
