#include "device/dictionary/large_block.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#define HUGE_PAGE_SIZE ((size_t)2 << 20)
// From half a huge page on, a block is taken in huge pages, a whole one at least: one costs
// less to take than its 256 small pages, and leaves at most half of it unused.
#define LARGE_BLOCK_HUGE ((size_t)1 << 20)
#define LARGE_BLOCK_POPULATED ((size_t)256 << 10)
#endif

int AllocLargeBlock(LARGE_BLOCK* block, size_t bytes)
{
  block->Data = block->Base = nullptr;
  block->Size = 0;
  if (bytes == 0) bytes = 1;
#if defined(__linux__)
  if (bytes >= LARGE_BLOCK_HUGE) {
    if (bytes < HUGE_PAGE_SIZE) bytes = HUGE_PAGE_SIZE;
    size_t size = bytes + HUGE_PAGE_SIZE;
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return 0;
    uintptr_t aligned = ((uintptr_t)base + HUGE_PAGE_SIZE - 1) & ~(uintptr_t)(HUGE_PAGE_SIZE - 1);
    madvise((void*)aligned, bytes, MADV_HUGEPAGE);  // advice only: small pages work too
    block->Base = base;
    block->Size = size;
    block->Data = (void*)aligned;
    return 1;
  }
  if (bytes >= LARGE_BLOCK_POPULATED) {
    // Filled at once in one call: taking its pages one fault at a time costs more than the filling.
    void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (base == MAP_FAILED) return 0;
    block->Data = block->Base = base;
    block->Size = bytes;
    return 1;
  }
#endif
  block->Data = block->Base = malloc(bytes);
  return block->Data ? 1 : 0;
}

void FreeLargeBlock(LARGE_BLOCK* block)
{
  if (!block->Base) return;
#if defined(__linux__)
  if (block->Size) {
    munmap(block->Base, block->Size);
  } else {
    free(block->Base);
  }
#else
  free(block->Base);
#endif
  block->Data = block->Base = nullptr;
  block->Size = 0;
}
