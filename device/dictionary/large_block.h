// Large blocks for the loaded table, its pointers and the file image. All are written once
// from end to end, so they are taken in huge pages where the system offers
// them: with small pages the page faults cost more than the parsing.
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
