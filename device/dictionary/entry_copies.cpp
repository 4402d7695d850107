#include "device/dictionary/entry_copies.h"

#include <cstring>

bool EntryCopies::Add(int length, const WCHAR* text)
{
  const size_t need = units_ + (size_t)length + 2;
  if (need > capacity_) {
    size_t capacity = block_.Data ? 2 * capacity_ : first_ > ((size_t)1 << 20) ? first_ : (size_t)1 << 20;
    while (capacity < need) capacity *= 2;
    LARGE_BLOCK larger;
    if (!AllocLargeBlock(&larger, capacity * sizeof(WCHAR))) return false;
    if (units_) memcpy(larger.Data, Units(), units_ * sizeof(WCHAR));
    FreeLargeBlock(&block_);
    block_ = larger;
    capacity_ = capacity;
  }
  WCHAR* to = Units() + units_;
  to[0] = (WCHAR)length;
  memcpy(to + 1, text, (size_t)length * sizeof(WCHAR));
  to[length + 1] = 0;
  starts_.push_back(units_);
  units_ = need;
  return true;
}

void EntryCopies::Clear()
{
  FreeLargeBlock(&block_);
  block_ = LARGE_BLOCK{};
  lent_ = nullptr;
  units_ = capacity_ = 0;
  starts_.clear();
}
