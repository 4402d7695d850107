// The entry table kept beside its database (cedict.gb.dat -> cedict.gb.dat.table), so
// that a later load maps it instead of reading and parsing the database again: a few
// milliseconds, and the table's pages are the page cache's, shared and never copied.
//
// The file holds a header, the entry blocks exactly as the loader lays them out (database.h)
// with the zero slack after them, then the entry marks: so a table can be written as a parse
// makes it, the marks (known whole only at its end) last. It is used only when it was made from
// the database as it is now (size, modification time, inode and a hash of the database's
// first and last 4 KiB), its size is what its header says, a hash of its whole content
// matches, and every entry block and mark lies inside it; else it is ignored and made
// again. It is written beside and renamed into place, so a reader never sees half of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/table_hash.h"

// A file being written beside its place (path.PID.new), renamed into place when whole.
struct FILE_IN_PLACE {
  HANDLE File = INVALID_HANDLE_VALUE;
  std::u16string Path, Temporary;
};
bool BeginFileInPlace(const WCHAR* path, FILE_IN_PLACE* place);
// Closes the file; renames it into place when written, else deletes it. True when placed.
bool FinishFileInPlace(FILE_IN_PLACE* place, bool written);

// Which database file a table was made from.
struct DATABASE_STAMP {
  uint64_t Size, Index, Volume;
  FILETIME Written;
  uint64_t Sample;  // hash of the first and last 4 KiB
};

// A mapped table and its pointer array; View null when none.
struct TABLE_MAPPING {
  const void* View;
  size_t Bytes;  // of the view
  LARGE_BLOCK Entries;
};

// Takes the stamp of the open database of size bytes; leaves its file pointer at 0.
BOOL StampDatabase(HANDLE file, DWORD size, DATABASE_STAMP* stamp);
// Whether two stamps are of the same file as it was.
bool SameStamp(const DATABASE_STAMP& a, const DATABASE_STAMP& b);

// The whole open file, mapped read-only (each page read in when first touched with onDemand,
// else all at once; with largePages the pages read in through it held in huge pages); null when
// it cannot be. UnmapViewOfFile frees it.
const BYTE* MapWholeFile(HANDLE file, bool onDemand = false, bool largePages = false);

// Whole entry blocks of one piece: entry First + k's block is Blocks[k] and its marks Marks[k]
// (Marks null when the marks are not kept), and the blocks lie one after another in memory, readable from one unit before the first to
// 32 units past the last. FirstUnit is where the first block starts in the table's arena, in
// units. The blocks are valid until the handler returns.
struct TABLE_RUN {
  const DictionaryEntry* const* Blocks;
  const ENTRY_MARKS* Marks;
  int Count;
  LONG First;
  size_t FirstUnit;
  // When the run was read from a packed copy: a byte for each unit from NarrowFrom (inside the
  // run) to the run's end, the unit itself below 0x80 and zero for any other (SearchRun).
  const uint8_t* Narrow = nullptr;
  const WCHAR* NarrowFrom = nullptr;
};

// A table file whose header alone was checked (it belongs to stamp, and its size and layout
// add up), its entries not yet: for a reader that checks what it reads.
struct TABLE_VIEW {
  size_t FileBytes;
  size_t Count;
  size_t ArenaOffset;  // bytes from the start of the file to the first entry block (the header's)
  size_t ArenaUnits;   // the entry blocks and the slack
  size_t MarksOffset;  // bytes from the start of the file to the marks
  int Status;
  uint64_t HeaderHash, ContentHash;
  WCHAR Name[WORD_LIST_NAME_UNITS];
};

// Which kept table a file made from it belongs to, as that file's header keeps it: the table's
// header hash (which covers the hash of its content), its size and its number of entries.
struct TABLE_TIE {
  uint64_t HeaderHash;
  uint64_t FileBytes;
  uint64_t Count;
};
TABLE_TIE TieOf(const TABLE_VIEW& table);
bool TiedTo(const TABLE_TIE& tie, const TABLE_VIEW& table);

// Checks the header of the table at tablePath, for a reader that reads the file through: the
// open file with view's sizes, counts, status, hashes and name set, or INVALID_HANDLE_VALUE.
HANDLE OpenTableView(const WCHAR* tablePath, const DATABASE_STAMP& stamp, TABLE_VIEW* view);


// Whether an entry's marks fit its text of length units: none at all, or a '[' before a '#'
// inside it.
bool MarksFit(ENTRY_MARKS marks, size_t length);

// Reads bytes from the file's pointer on; false when the file fails or ends first.
bool ReadFully(HANDLE file, void* data, size_t bytes);
// The same from byte at of the file on, leaving the file pointer where it was.
bool ReadFileAt(HANDLE file, DWORD at, void* data, size_t bytes);
// Writes bytes at the offset at, the file pointer left where it was; false when any fails.
bool WriteFileAt(HANDLE file, DWORD at, const void* data, size_t bytes);

// Opens the database fileName (in the program folder) for reading, with its size, its stamp
// and the path of its kept table (fileName + ".table"), or tablePath empty when it can keep
// none (a path too long for the table's name, or no stamp); INVALID_HANDLE_VALUE when it
// cannot be read. Its file pointer is at 0.
HANDLE OpenDatabase(const WCHAR* fileName, DWORD* size, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH]);

// The stamp of the database fileName (in the program folder) and the path of its kept table
// (fileName + ".table"); false when the database cannot be read or keep a table and index.
bool LocateKeptTable(const WCHAR* fileName, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH]);

// Maps the table at tablePath when it belongs to stamp and is whole. Sets *entries (the
// pointer array, in mapping->Entries), *marks, *count, *status (the database's load
// outcome when the table was made) and name. Returns 1, 0 when there is no usable table,
// or -1 when the pointer array could not be allocated. UnmapTable frees both. atOnce reads
// all of the mapping in and checks it there; else the file is read through to check it and
// no page of the mapping is touched (see SetTableLoading).
int MapTableFile(const WCHAR* tablePath, const DATABASE_STAMP& stamp, TABLE_MAPPING* mapping,
                 DictionaryEntry*** entries, const ENTRY_MARKS** marks, LONG* count, int* status,
                 WCHAR name[WORD_LIST_NAME_UNITS], bool atOnce);
void UnmapTable(TABLE_MAPPING* mapping);

// Writes the loaded EntryTable, its marks and name as the table of stamp's database, made
// with the given load status. Best effort: a folder that cannot be written keeps no table.
void WriteTableFile(const WCHAR* tablePath, const DATABASE_STAMP& stamp, int status);

// Writes a table as a parse makes it, entry by entry, holding only the marks and one piece
// of 2 MiB: for a lookup that keeps the table of a new database and never holds it whole.
// Abandoned (nothing left behind) unless Finish succeeds.
class TableWriter {
 public:
  ~TableWriter() { Abandon(); }
  // Starts the table at tablePath for at most capacity entries; false when it cannot be.
  // onRun, when given, has each piece's whole blocks before they are written, as a reader of
  // the table would; false from it stops the writing.
  bool Begin(const WCHAR* tablePath, size_t capacity, std::function<bool(const TABLE_RUN&)> onRun = nullptr);
  // Room for the next entry's block (ENTRY_BLOCK_MAX_UNITS at least), or null when writing failed.
  WCHAR* Room();
  // The block of units just written into Room, with its marks; false when writing failed.
  bool Add(size_t units, ENTRY_MARKS marks);
  // Adds the slack, the marks and the header, and puts the table in place; false, and nothing
  // left behind, when anything failed or there was no entry.
  bool Finish(const DATABASE_STAMP& stamp, int status, const WCHAR name[WORD_LIST_NAME_UNITS]);

 private:
  bool Flush();
  void Abandon();
  WCHAR* Piece() const;
  FILE_IN_PLACE file_;
  LARGE_BLOCK piece_ = {}, marks_ = {};
  size_t used_ = 0, written_ = 0;  // units in the piece; units written before it
  size_t count_ = 0, capacity_ = 0;
  size_t pieceFirst_ = 0;          // the first entry in the piece
  bool ok_ = false;
  TableHash hash_;
  std::function<bool(const TABLE_RUN&)> onRun_;
  std::vector<const DictionaryEntry*> blocks_;  // the piece's blocks, for onRun
};

// Makes the table kept beside the database fileName when it has none that belongs to the
// database as it is now, parsing the file and writing the table as it goes, never holding
// either whole: for a lookup that then reads the kept table through, or searches each piece
// as it is written (onRun, as TableWriter hands it on). The loaded table is left as it is.
// Returns 1 when it made one (*status: the database's load status, LOAD_OK or LOAD_DAMAGED),
// 0 when there was one already (whole or not: that is for its reader to find), -1 when none
// could be made (the database unreadable or without an entry, the folder not writable, or
// onRun stopped).
int KeepDictionaryTable(const WCHAR* fileName, int* status = nullptr,
                        std::function<bool(const TABLE_RUN&)> onRun = nullptr);

// Writes the parts one after another as the file at path: written beside it and renamed into
// place, so a reader never sees half of one. False (and nothing left behind) on failure.
struct FILE_PART {
  const void* Data;
  size_t Bytes;
};
bool WriteFileInPlace(const WCHAR* path, const FILE_PART* parts, int count);
