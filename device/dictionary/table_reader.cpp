#include "device/dictionary/table_reader.h"

#include <cstring>
#include <memory>
#include <new>

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_hash.h"
#include "device/dictionary/table_packed.h"

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
// A piece is two pieces of a packed copy, read in one call into the same page after the piece's
// room, then unpacked into it.
static_assert(kPieceUnits == 2 * PACKED_PIECE_UNITS, "a piece unpacks two packed ones");
// The room a piece of units takes, with the carry before it and the tail after it, in whole
// cache lines; then two packed pieces and what a scan of their bytes may read past them.
constexpr size_t PieceRoomBytes(size_t units) { return ((kCarryUnits + units + kTailUnits) * sizeof(WCHAR) + 63) & ~(size_t)63; }
constexpr size_t kPackedRoomBytes = 2 * PackedPieceMostBytes(PACKED_PIECE_UNITS) + 64;
static_assert(PieceRoomBytes(kPieceUnits) + kPackedRoomBytes <= kHugePage, "the piece fits its page");
// The most whole blocks one part hands on: those ending in it, after at most one block that
// began before it (or the part of one carried in front of the piece); two units each at least.
const size_t kRunEntries = (kCarryUnits + kPartUnits) / 2 + 1;

// Where the arena's units come from: the table's own file, hashed part by part as they are
// walked (and packed into a new copy as they are read, when one is being made), or its packed
// copy, hashed as it is read and unpacked into the piece.
struct ArenaSource {
  ArenaSource(HANDLE tableFile, const TABLE_VIEW& tableView) : table(tableFile), view(tableView) {}
  HANDLE table;
  const TABLE_VIEW& view;
  HANDLE packed = INVALID_HANDLE_VALUE;
  PACKED_VIEW packedView;
  size_t packedAt = 0, nextPiece = 0;  // bytes of the packed copy read; its next piece
  uint8_t* packedRoom = nullptr;
  PackedWriter* writer = nullptr;

  // Reads the arena's units from read on into piece.
  bool Read(TableHash* hash, size_t read, WCHAR* piece, size_t units)
  {
    if (packed == INVALID_HANDLE_VALUE) {
      if (!ReadFileAt(table, (DWORD)(view.ArenaOffset + read * sizeof(WCHAR)), piece, units * sizeof(WCHAR))) return false;
      if (writer && !writer->Add(piece, units)) writer = nullptr;  // the copy is abandoned, not the reading
      return true;
    }
    const size_t first = nextPiece, pieces = (units + PACKED_PIECE_UNITS - 1) / PACKED_PIECE_UNITS;
    size_t bytes = 0;
    for (size_t k = first; k < first + pieces; k++) bytes += packedView.PieceBytes[k];
    if (!ReadFileAt(packed, (DWORD)(packedView.PiecesOffset + packedAt), packedRoom, bytes)) return false;
    TableHashUpdate(hash, packedRoom, bytes);
    packedAt += bytes;
    const uint8_t* at = packedRoom;
    for (size_t k = first; k < first + pieces; k++, nextPiece++) {
      const size_t done = (k - first) * PACKED_PIECE_UNITS;
      const size_t n = units - done < PACKED_PIECE_UNITS ? units - done : PACKED_PIECE_UNITS;
      if (!BeginUnpack(at, packedView.PieceBytes[k], n, &unpacking[k - first])) return false;
      at += packedView.PieceBytes[k];
    }
    return true;
  }

  // Makes units [from, from + units) of the piece just read ready in place, hashing them when read
  // from the table or unpacking them (a part at a time, so that the walk finds them in the
  // first-level cache); false when the packed copy does not unpack.
  bool Prepare(TableHash* hash, WCHAR* piece, size_t from, size_t units)
  {
    if (packed == INVALID_HANDLE_VALUE) {
      TableHashUpdate(hash, piece + from, units * sizeof(WCHAR));
      return true;
    }
    PACKED_PIECE& unpack = unpacking[from / PACKED_PIECE_UNITS];
    const size_t at = from % PACKED_PIECE_UNITS;
    narrow = unpack.Patches == PACKED_RAW ? nullptr : unpack.Body + at;
    narrowFrom = piece + from;
    return UnpackRange(&unpack, at, units, piece + from) && (at + units < unpack.Units || UnpackedWhole(unpack));
  }

  PACKED_PIECE unpacking[2];
  // The bytes of the part prepared last, when it came packed: the units from narrowFrom on.
  const uint8_t* narrow = nullptr;
  const WCHAR* narrowFrom = nullptr;
};

}  // namespace

size_t TableReadingBytes(const TABLE_VIEW& table)
{
  return PieceRoomBytes(table.ArenaUnits < kPieceUnits ? table.ArenaUnits : kPieceUnits) + kPackedRoomBytes;
}

bool ReadTableThrough(HANDLE file, const TABLE_VIEW& table, bool withMarks,
                      const std::function<bool(const TABLE_RUN&)>& onRun, const WCHAR* tablePath, bool* packedFailed,
                      void* room)
{
  if (packedFailed) *packedFailed = false;
  LARGE_BLOCK buffer = {};
  std::unique_ptr<LARGE_BLOCK, void (*)(LARGE_BLOCK*)> freeBuffer(&buffer, FreeLargeBlock);
  std::unique_ptr<const DictionaryEntry*[]> run(new (std::nothrow) const DictionaryEntry*[kRunEntries]);
  // A table smaller than a piece takes only the room it needs, and no huge page.
  const size_t pieceUnits = table.ArenaUnits < kPieceUnits ? table.ArenaUnits : kPieceUnits;
  const size_t pieceBytes = PieceRoomBytes(pieceUnits);
  if (!run || (!room && !AllocLargeBlock(&buffer, pieceUnits < kPieceUnits ? TableReadingBytes(table) : kHugePage)))
    return false;
  BYTE* data = static_cast<BYTE*>(room ? room : buffer.Data);
  WCHAR* piece = reinterpret_cast<WCHAR*>(data) + kCarryUnits;

  // The packed copy when there is a whole one, else the table, packed into a new copy as it goes.
  ArenaSource source(file, table);
  source.packedRoom = data + pieceBytes;
  PackedWriter writer;
  WCHAR packedPath[MAX_PATH];
  const bool packable = tablePath && PackedTablePath(tablePath, packedPath);
  if (packable) source.packed = OpenPackedTable(packedPath, table, &source.packedView);
  if (packable && source.packed == INVALID_HANDLE_VALUE && writer.Begin(packedPath, table)) source.writer = &writer;
  std::unique_ptr<void, void (*)(void*)> closePacked(source.packed == INVALID_HANDLE_VALUE ? nullptr : source.packed,
                                                     [](void* handle) { CloseHandle(handle); });
  const bool fromPacked = source.packed != INVALID_HANDLE_VALUE;
  bool stopped = false;  // by onRun
  // A packed copy that fails is removed, for the next reading to make again.
  auto fail = [&]() {
    if (fromPacked && !stopped) {
      closePacked.reset();
      DeleteFileW(packedPath);
      if (packedFailed) *packedFailed = true;
    }
    return false;
  };

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
    if (!AllocLargeBlock(&markBlock, markBytes > kHugePage ? markBytes : kHugePage)) return false;
    if (fromPacked ? !ReadFileAt(source.packed, (DWORD)source.packedView.MarksOffset, markBlock.Data, markBytes) ||
                         TableHashOf(markBlock.Data, markBytes) != source.packedView.MarksHash
                   : !ReadFileAt(file, (DWORD)table.MarksOffset, markBlock.Data, markBytes))
      return fail();
  }
  const ENTRY_MARKS* marks = static_cast<const ENTRY_MARKS*>(markBlock.Data);

  // The entry blocks, walked block by block, then the zero slack.
  const size_t blockUnits = table.ArenaUnits - ENTRY_TABLE_SLACK;
  size_t read = 0, walked = 0, entry = 0;  // arena units read and walked; entries walked
  WCHAR* from = piece;                     // the first unit not walked
  while (read < table.ArenaUnits) {
    size_t units = table.ArenaUnits - read < pieceUnits ? table.ArenaUnits - read : pieceUnits;
    if (!source.Read(&hash, read, piece, units)) return fail();
    read += units;
    WCHAR* to = piece + units;
    memset(to, 0, kTailUnits * sizeof(WCHAR));

    // A part at a time, hashed (when read from the table), walked and handed on.
    WCHAR* p = from;
    for (WCHAR* part = piece; part < to;) {
      WCHAR* partEnd = to - part > (ptrdiff_t)kPartUnits ? part + kPartUnits : to;
      if (!source.Prepare(&hash, piece, (size_t)(part - piece), (size_t)(partEnd - part))) return fail();
      part = partEnd;
      const LONG first = (LONG)entry;
      const size_t firstUnit = walked;
      int count = 0;
      while (entry < table.Count && partEnd - p >= 1) {
        size_t length = p[0];
        if ((size_t)(partEnd - p) < length + 2) break;
        if (walked + length + 2 > blockUnits || p[length + 1] != 0) return fail();
        if (marks && !MarksFit(marks[entry], length)) return fail();
        run[count++] = p;
        p += length + 2;
        walked += length + 2;
        entry++;
      }
      if (count > 0 && !onRun(TABLE_RUN{run.get(), marks ? marks + first : nullptr, count, first, firstUnit,
                                        source.narrow, source.narrowFrom})) {
        stopped = true;
        return false;
      }
    }
    if (entry == table.Count) {
      for (; p < to; p++)
        if (*p != 0) return fail();
      from = piece;
    } else {
      size_t carried = (size_t)(to - p);  // less than one block
      if (carried + 8 > kCarryUnits) return fail();
      memmove(piece - carried, p, carried * sizeof(WCHAR));
      from = piece - carried;
    }
  }
  if (entry != table.Count || walked != blockUnits) return fail();
  if (fromPacked) return TableHashDigest(&hash) == source.packedView.PiecesHash || fail();

  // The padding after the slack, then the marks: hashed from the copy kept, or read and hashed;
  // and added to the packed copy being made.
  const size_t readTo = withMarks ? table.MarksOffset : table.FileBytes;
  for (size_t done = arenaEnd; done < readTo;) {
    size_t bytes = readTo - done < pieceUnits * sizeof(WCHAR) ? readTo - done : pieceUnits * sizeof(WCHAR);
    if (!ReadFileAt(file, (DWORD)done, piece, bytes)) return false;
    TableHashUpdate(&hash, piece, bytes);
    if (source.writer && done + bytes > table.MarksOffset) {
      const size_t skip = done < table.MarksOffset ? table.MarksOffset - done : 0;
      if (!writer.AddMarks(reinterpret_cast<const BYTE*>(piece) + skip, bytes - skip)) source.writer = nullptr;
    }
    done += bytes;
  }
  if (withMarks) TableHashUpdate(&hash, markBlock.Data, markBytes);
  if (TableHashDigest(&hash) != table.ContentHash) return false;
  if (source.writer && (!withMarks || writer.AddMarks(markBlock.Data, markBytes))) writer.Finish(markBytes);
  return true;
}
