#include "device/dictionary/table_reader.h"

#include <cstring>
#include <memory>
#include <new>

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_hash.h"

namespace {

// A piece of 64 KiB stays in the processor's second-level cache while it is hashed, walked
// and handed on.
const size_t kPieceUnits = 32 * 1024;
// Before each piece, room for the part of an entry block the piece before it cut off (a block
// is at most 65,537 units) and for the unit before it that the candidate scan reads.
const size_t kCarryUnits = 0x10000 + 1 + 8;
// After the data, zero units that the candidate scan may read past its end.
const size_t kTailUnits = 64;
// The most whole blocks a piece and its carried part can hold: two units each at least.
const size_t kRunEntries = (kCarryUnits + kPieceUnits) / 2 + 1;

}  // namespace

bool ReadTableThrough(HANDLE file, const TABLE_VIEW& table, const std::function<bool(const TABLE_RUN&)>& onRun)
{
  // Left uninitialised: only the pages a reading uses are ever touched.
  std::unique_ptr<WCHAR[]> buffer(new (std::nothrow) WCHAR[kCarryUnits + kPieceUnits + kTailUnits]);
  std::unique_ptr<const DictionaryEntry*[]> run(new (std::nothrow) const DictionaryEntry*[kRunEntries]);
  if (!buffer || !run) return false;
  WCHAR* piece = buffer.get() + kCarryUnits;

  // The marks, kept for the walk (in huge pages: their fresh small pages would cost more than
  // the reading) and hashed.
  TableHash hash;
  TableHashReset(&hash);
  const size_t markBytes = table.ArenaOffset - TableHeaderBytes();
  LARGE_BLOCK markBlock;
  if (!AllocLargeBlock(&markBlock, markBytes)) return false;
  std::unique_ptr<LARGE_BLOCK, void (*)(LARGE_BLOCK*)> freeMarks(&markBlock, FreeLargeBlock);
  const ENTRY_MARKS* marks = static_cast<const ENTRY_MARKS*>(markBlock.Data);
  if (!ReadFully(file, markBlock.Data, markBytes)) return false;
  TableHashUpdate(&hash, markBlock.Data, markBytes);

  // The entry blocks, walked block by block, then the zero slack.
  const size_t blockUnits = table.ArenaUnits - ENTRY_TABLE_SLACK;
  size_t read = 0, walked = 0, entry = 0;  // arena units read and walked; entries walked
  WCHAR* from = piece;                     // the first unit not walked
  while (read < table.ArenaUnits) {
    size_t units = table.ArenaUnits - read < kPieceUnits ? table.ArenaUnits - read : kPieceUnits;
    if (!ReadFully(file, piece, units * sizeof(WCHAR))) return false;
    TableHashUpdate(&hash, piece, units * sizeof(WCHAR));
    read += units;
    WCHAR* to = piece + units;
    memset(to, 0, kTailUnits * sizeof(WCHAR));

    const LONG first = (LONG)entry;
    const size_t firstUnit = walked;
    int count = 0;
    WCHAR* p = from;
    while (entry < table.Count && to - p >= 1) {
      size_t length = p[0];
      if ((size_t)(to - p) < length + 2) break;
      ENTRY_MARKS m = marks[entry];
      if (walked + length + 2 > blockUnits || p[length + 1] != 0 ||
          (m.Open == MARK_NONE ? m.Hash != MARK_NONE : !(m.Open < m.Hash && m.Hash <= length)))
        return false;
      run[count++] = p;
      p += length + 2;
      walked += length + 2;
      entry++;
    }
    if (count > 0 && !onRun(TABLE_RUN{run.get(), marks + first, count, first, firstUnit})) return false;
    if (entry == table.Count) {
      for (; p < to; p++)
        if (*p != 0) return false;
      from = piece;
    } else {
      size_t carried = (size_t)(to - p);  // less than one block
      if (carried + 8 > kCarryUnits) return false;
      memmove(piece - carried, p, carried * sizeof(WCHAR));
      from = piece - carried;
    }
  }
  return entry == table.Count && walked == blockUnits && TableHashDigest(&hash) == table.ContentHash;
}
