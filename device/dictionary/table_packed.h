// The kept table's entry blocks packed a byte a unit, kept beside it
// (cedict.gb.dat.table.packed), for lookups that read the whole table through: nineteen units in
// twenty are ASCII, so the packed copy is a little over half the table's size, and reading it
// costs about half as much (the read waits on memory, not on the processor).
//
// The file holds a header, the size of each piece, the pieces, then the table's entry marks as
// they are. A piece packs 65,536 units of the table's arena (the last one what is left): each
// unit below 0x80 as its byte, each other one as a zero byte and a patch (its place in the piece
// and its value), and says for each stretch of 256 of its units how many of its patches come
// before it, so that the few units of one entry block can be unpacked where they lie; a piece
// whose patches would take more room than its units is kept as the units themselves. Unpacked,
// the arena is the table's, unit for unit.
//
// The copy belongs to one table (the table's header hash, size and number of entries) and vouches
// for itself: its header's hash covers the pieces' sizes and the hashes of the pieces and of the
// marks. A copy that does not match is ignored and made again by the next reading of the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"

// Units of the arena one piece packs, and of each stretch of a piece whose first patch it says.
#define PACKED_PIECE_UNITS 65536
#define PACKED_STRETCH_UNITS 256

// The packed copy of a table whose header checked out: where each piece lies and what hashes the
// pieces and the marks must give.
struct PACKED_VIEW {
  std::vector<uint32_t> PieceBytes;  // of each piece, header included
  size_t PiecesOffset;               // bytes from the start of the file to the first piece
  size_t MarksOffset;  // the marks, as many bytes as the table's
  uint64_t PiecesHash, MarksHash;
};

// The path of the packed copy of the table at tablePath; false when it would be too long.
bool PackedTablePath(const WCHAR* tablePath, WCHAR packedPath[MAX_PATH]);

// Opens the packed copy at packedPath when it belongs to table and its header, sizes and pieces'
// directory add up: the open file, or INVALID_HANDLE_VALUE.
HANDLE OpenPackedTable(const WCHAR* packedPath, const TABLE_VIEW& table, PACKED_VIEW* packed);

// The most bytes a piece of units units takes: its own header (8 bytes) and its units as they
// are, padded to 32 (a piece is kept so once its patches would take as much room).
constexpr size_t PackedPieceMostBytes(size_t units) { return 8 + ((units * sizeof(WCHAR) + 31) & ~(size_t)31); }

// A piece of a packed copy whose header checked out, unpacked a range at a time, in order.
struct PACKED_PIECE {
  const uint8_t* Body;
  size_t Units;
  uint32_t Patches;    // or PACKED_RAW: the body holds the units as they are
  uint32_t NextPatch;  // the first patch not yet applied
};
#define PACKED_RAW 0xFFFFFFFFu

// Starts unpacking the piece at piece (bytes long, as the directory says); false when it is not
// a piece of units units that fits its bytes.
bool BeginUnpack(const uint8_t* piece, size_t bytes, size_t units, PACKED_PIECE* state);
// Unpacks units [from, from + count) of the piece into out, the ranges taken in order; false when
// a patch is out of order or outside the piece.
bool UnpackRange(PACKED_PIECE* piece, size_t from, size_t count, WCHAR* out);
// Whether every patch of a piece unpacked to its end was applied.
inline bool UnpackedWhole(const PACKED_PIECE& piece)
{
  return piece.Patches == PACKED_RAW || piece.NextPatch == piece.Patches;
}

// A packed copy whose header checked out, mapped whole, from which a lookup unpacks the few entry
// blocks it wants where they lie instead of reading the table's pages around them. The view's
// pages are the page cache's: a read of one costs a touch, not a call, and with the copy kept in
// large pieces there a few faults map all of it. Nothing in it is believed but its size: a block
// unpacked from it must match a hash the caller has, and its reads must be guarded against the
// file being cut short under them (ReadMappedGuarded).
struct PACKED_MAP {
  PACKED_MAP() = default;
  PACKED_MAP(const PACKED_MAP&) = delete;
  PACKED_MAP& operator=(const PACKED_MAP&) = delete;
  ~PACKED_MAP();  // unmaps it
  const uint8_t* View = nullptr;
  size_t ArenaUnits = 0;
  std::vector<size_t> PieceAt;  // where each piece starts in the view, and where the last one ends (the marks start)
};

// Whether the page cache holds the packed copy opened by OpenPackedTable (its first, middle and
// last piece tell; this system gives back the cache of files left alone a while).
bool PackedTableInMemory(HANDLE file, const PACKED_VIEW& packed);
// Maps the packed copy opened by OpenPackedTable (file, packed), asking for its pages in huge
// pages; false when it cannot be mapped, or when the page cache holds it in small pieces (a few
// pages a fault: read back in by reads after the system gave it back).
bool MapPackedTable(HANDLE file, const PACKED_VIEW& packed, size_t arenaUnits, PACKED_MAP* map);
void UnmapPackedTable(PACKED_MAP* map);
// Unpacks the arena's units [begin, end) into out; false when the copy says something impossible
// on the way (a piece's header or a stretch's first patch that does not fit).
bool UnpackUnitsAt(const PACKED_MAP& map, size_t begin, size_t end, WCHAR* out);
// Asks the processor for what UnpackUnitsAt will read of [begin, end): its bytes and where its
// patches begin, or with patches (once those are in) its first patches.
void PrefetchUnitsAt(const PACKED_MAP& map, size_t begin, size_t end, bool patches);

// Writes the packed copy of a table as the table is read through, piece by piece, and puts it in
// place when finished: nothing is left behind unless Finish succeeds.
class PackedWriter {
 public:
  ~PackedWriter() { Abandon(); }
  // Starts the copy of table at packedPath; false when it cannot be (a folder that cannot be
  // written, no memory).
  bool Begin(const WCHAR* packedPath, const TABLE_VIEW& table);
  // Packs the next units of the arena (a whole number of pieces, but for the arena's last).
  bool Add(const WCHAR* units, size_t count);
  // Adds the next bytes of the table's marks, as they are, once every piece is in.
  bool AddMarks(const void* marks, size_t bytes);
  // Adds the header when the marks added are markBytes long; true when the copy is in place.
  bool Finish(size_t markBytes);

 private:
  void Abandon();
  // Adds bytes to the file, written 2 MiB at a time.
  void Put(const void* data, size_t bytes);
  void Flush();
  FILE_IN_PLACE file_;
  LARGE_BLOCK out_ = {};
  TABLE_TIE tie_ = {};
  size_t arenaUnits_ = 0, packedUnits_ = 0, markBytes_ = 0;
  size_t waiting_ = 0;  // bytes not yet written
  uint64_t total_ = 0;  // bytes of the file
  std::vector<uint32_t> pieceBytes_;
  TableHash hash_, marksHash_;
  bool ok_ = false;
};
