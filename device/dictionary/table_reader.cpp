#include "device/dictionary/table_reader.h"

#include <cstring>
#include <memory>
#include <new>

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_hash.h"

namespace {

// A piece of 256 KiB, read in one call, stays in the processor's second-level cache, and each
// part of 16 KiB of it in the first-level cache while it is hashed, walked and handed on: the
// walk waits on each block's length to find the next block.
const size_t kPieceUnits = 128 * 1024;
const size_t kPartUnits = 8 * 1024;
// Before each piece, room for the part of an entry block the piece before it cut off (a block
// is at most 65,537 units) and for the unit before it that the candidate scan reads.
const size_t kCarryUnits = 0x10000 + 1 + 8;
// After the data, zero units that the candidate scan may read past its end.
const size_t kTailUnits = 64;
// The size of a huge page, the smallest block AllocLargeBlock takes in huge pages. The piece
// and its room come in one: one page to take instead of a hundred small ones, and one entry
// of the address cache for all of it.
const size_t kHugePage = (size_t)2 << 20;
static_assert((kCarryUnits + kPieceUnits + kTailUnits) * sizeof(WCHAR) <= kHugePage, "the piece fits its page");
// The most whole blocks one part hands on: those ending in it, after at most one block that
// began before it (or the part of one carried in front of the piece); two units each at least.
const size_t kRunEntries = (kCarryUnits + kPartUnits) / 2 + 1;

}  // namespace

bool ReadTableThrough(HANDLE file, const TABLE_VIEW& table, bool withMarks,
                      const std::function<bool(const TABLE_RUN&)>& onRun)
{
  LARGE_BLOCK buffer = {};
  std::unique_ptr<LARGE_BLOCK, void (*)(LARGE_BLOCK*)> freeBuffer(&buffer, FreeLargeBlock);
  std::unique_ptr<const DictionaryEntry*[]> run(new (std::nothrow) const DictionaryEntry*[kRunEntries]);
  // A table smaller than a piece takes only the room it needs, and no huge page.
  const size_t pieceUnits = table.ArenaUnits < kPieceUnits ? table.ArenaUnits : kPieceUnits;
  const size_t bufferBytes = (kCarryUnits + pieceUnits + kTailUnits) * sizeof(WCHAR);
  if (!run || !AllocLargeBlock(&buffer, pieceUnits < kPieceUnits ? bufferBytes : kHugePage)) return false;
  WCHAR* piece = static_cast<WCHAR*>(buffer.Data) + kCarryUnits;

  // The marks (after the entry blocks in the file), kept for the walk when asked for, read
  // first, and hashed in their place at the end; in a block of at least 2 MiB, which comes in a
  // huge page: half a megabyte of fresh small pages costs more than the reading.
  TableHash hash;
  TableHashReset(&hash);
  const size_t arenaEnd = table.ArenaOffset + table.ArenaUnits * sizeof(WCHAR);
  const size_t markBytes = table.FileBytes - table.MarksOffset;
  LARGE_BLOCK markBlock = {};
  std::unique_ptr<LARGE_BLOCK, void (*)(LARGE_BLOCK*)> freeMarks(&markBlock, FreeLargeBlock);
  if (withMarks) {
    if (!AllocLargeBlock(&markBlock, markBytes > kHugePage ? markBytes : kHugePage) ||
        !ReadFileAt(file, (DWORD)table.MarksOffset, markBlock.Data, markBytes))
      return false;
  }
  const ENTRY_MARKS* marks = static_cast<const ENTRY_MARKS*>(markBlock.Data);

  // The entry blocks, walked block by block, then the zero slack.
  const size_t blockUnits = table.ArenaUnits - ENTRY_TABLE_SLACK;
  size_t read = 0, walked = 0, entry = 0;  // arena units read and walked; entries walked
  WCHAR* from = piece;                     // the first unit not walked
  while (read < table.ArenaUnits) {
    size_t units = table.ArenaUnits - read < pieceUnits ? table.ArenaUnits - read : pieceUnits;
    if (!ReadFileAt(file, (DWORD)(table.ArenaOffset + read * sizeof(WCHAR)), piece, units * sizeof(WCHAR))) return false;
    read += units;
    WCHAR* to = piece + units;
    memset(to, 0, kTailUnits * sizeof(WCHAR));

    // A part at a time, hashed, walked and handed on.
    WCHAR* p = from;
    for (WCHAR* part = piece; part < to;) {
      WCHAR* partEnd = to - part > (ptrdiff_t)kPartUnits ? part + kPartUnits : to;
      TableHashUpdate(&hash, part, (size_t)(partEnd - part) * sizeof(WCHAR));
      part = partEnd;
      const LONG first = (LONG)entry;
      const size_t firstUnit = walked;
      int count = 0;
      while (entry < table.Count && partEnd - p >= 1) {
        size_t length = p[0];
        if ((size_t)(partEnd - p) < length + 2) break;
        if (walked + length + 2 > blockUnits || p[length + 1] != 0) return false;
        if (marks && !MarksFit(marks[entry], length)) return false;
        run[count++] = p;
        p += length + 2;
        walked += length + 2;
        entry++;
      }
      if (count > 0 && !onRun(TABLE_RUN{run.get(), marks ? marks + first : nullptr, count, first, firstUnit}))
        return false;
    }
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
  if (entry != table.Count || walked != blockUnits) return false;

  // The padding after the slack, then the marks: hashed from the copy kept, or read and hashed.
  const size_t readTo = withMarks ? table.MarksOffset : table.FileBytes;
  for (size_t done = arenaEnd; done < readTo;) {
    size_t bytes = readTo - done < pieceUnits * sizeof(WCHAR) ? readTo - done : pieceUnits * sizeof(WCHAR);
    if (!ReadFileAt(file, (DWORD)done, piece, bytes)) return false;
    TableHashUpdate(&hash, piece, bytes);
    done += bytes;
  }
  if (withMarks) TableHashUpdate(&hash, markBlock.Data, markBytes);
  return TableHashDigest(&hash) == table.ContentHash;
}
