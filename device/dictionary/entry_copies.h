// Copies of entry blocks (database.h) that a search keeps: one after another in a large block
// whose huge pages are taken as the copies reach them, moved to one twice as large when it
// fills (or first in room the caller lends, in a huge page it has already taken). A lookup
// that accepts thousands of entries would otherwise take hundreds of fresh small pages, which
// cost more here than the copies.
#pragma once

#include <cstddef>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"

class EntryCopies {
 public:
  // Room for units of blocks is asked for with the first copy (at least 2 MiB): a caller that
  // knows how far the copies can reach never has them moved.
  explicit EntryCopies(size_t units = (size_t)1 << 20) : first_(units) {}
  ~EntryCopies() { FreeLargeBlock(&block_); }
  EntryCopies(const EntryCopies&) = delete;
  EntryCopies& operator=(const EntryCopies&) = delete;

  // Room the caller keeps for the first copies (before any is added), in memory it has already
  // taken: the copies move to a block of their own when it is full.
  void Lend(void* room, size_t bytes)
  {
    lent_ = static_cast<WCHAR*>(room);
    capacity_ = bytes / sizeof(WCHAR);
  }
  // Appends a copy of the block of length units of text; false, and nothing kept, without memory.
  bool Add(int length, const WCHAR* text);
  bool Keep(const DictionaryEntry* block) { return Add(block[0], block + 1); }
  size_t Count() const { return starts_.size(); }
  const DictionaryEntry* Copy(size_t k) const { return Units() + starts_[k]; }
  // Forgets every copy and gives the block back.
  void Clear();

 private:
  WCHAR* Units() const { return block_.Data ? static_cast<WCHAR*>(block_.Data) : lent_; }
  LARGE_BLOCK block_ = {};
  WCHAR* lent_ = nullptr;
  size_t first_, units_ = 0, capacity_ = 0;
  std::vector<size_t> starts_;
};
