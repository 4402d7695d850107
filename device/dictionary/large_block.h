// Large blocks: the loaded table, its pointers, the pieces and results of a lookup, the
// best-match caches and the word-frequency list. Each is written once, so from 1 MiB on it
// is taken in huge pages where the system offers them (with small pages the page faults
// cost more than the work that fills them), and from 256 KiB on in one call.
#pragma once

#include <cstddef>

struct LARGE_BLOCK {
  void* Data;   // null when the allocation failed
  void* Base;   // what goes back to the system
  size_t Size;
};

// Returns 1 and fills block, or 0 (block->Data null) when there is no memory.
int AllocLargeBlock(LARGE_BLOCK* block, size_t bytes);
// Frees a block filled by AllocLargeBlock; a zeroed or failed block is ignored.
void FreeLargeBlock(LARGE_BLOCK* block);
