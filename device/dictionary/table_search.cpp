#include "device/dictionary/table_search.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"

namespace {

// The table is read 64 KiB at a time: a piece stays in the processor's second-level cache
// while it is hashed, walked and searched.
const size_t kPieceUnits = 32 * 1024;
// Before each piece, room for the part of an entry block the piece before it cut off (a block
// is at most 65,537 units) and for the unit before it that the candidate scan reads.
const size_t kCarryUnits = 0x10000 + 1 + 8;
// After the data, zero units that the candidate scan may read past its end.
const size_t kTailUnits = 64;
// The most whole blocks a piece and its carried part can hold: two units each at least.
const size_t kRunEntries = (kCarryUnits + kPieceUnits) / 2 + 1;

// The blocks of the accepted entries, copied as their piece goes, one after another in a block
// as large as the table's (never more can be accepted), whose huge pages are taken as the
// copies reach them: a fresh small page costs more than the copy into it.
class KeptBlocks {
 public:
  explicit KeptBlocks(size_t units) { AllocLargeBlock(&block_, units * sizeof(WCHAR)); }
  ~KeptBlocks() { FreeLargeBlock(&block_); }
  bool Ready() const { return block_.Data != nullptr; }

  void Keep(const DictionaryEntry* entry)
  {
    starts_.push_back(units_);
    size_t units = (size_t)entry[0] + 2;
    memcpy(static_cast<WCHAR*>(block_.Data) + units_, entry, units * sizeof(WCHAR));
    units_ += units;
  }
  const DictionaryEntry* Kept(size_t r) const { return static_cast<const WCHAR*>(block_.Data) + starts_[r]; }

 private:
  LARGE_BLOCK block_;
  size_t units_ = 0;
  std::vector<size_t> starts_;
};

}  // namespace

int FindThroughTableFile(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord,
                         void (*onStatus)(int status), ResultSink sink)
{
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  if (!LocateKeptTable(fileName, &stamp, tablePath)) return -1;
  TABLE_VIEW table;
  HANDLE file = OpenTableView(tablePath, stamp, &table);
  if (file == INVALID_HANDLE_VALUE) return -1;
  RUN_SEARCH* search = BeginRunSearch(query, matchCase, wholeWord);
  if (!search) {
    CloseHandle(file);
    return -1;
  }
  // Left uninitialised: only the pages a lookup uses are ever touched.
  std::unique_ptr<WCHAR[]> buffer(new (std::nothrow) WCHAR[kCarryUnits + kPieceUnits + kTailUnits]);
  std::unique_ptr<const DictionaryEntry*[]> run(new (std::nothrow) const DictionaryEntry*[kRunEntries]);
  KeptBlocks kept(table.ArenaUnits);
  bool sound = buffer && run && kept.Ready();
  WCHAR* piece = buffer.get() + kCarryUnits;

  // The marks, hashed: the search does not need them.
  TableHash hash;
  TableHashReset(&hash);
  const size_t markBytes = table.ArenaOffset - TableHeaderBytes();
  for (size_t done = 0; sound && done < markBytes;) {
    size_t bytes = markBytes - done < kPieceUnits * sizeof(WCHAR) ? markBytes - done : kPieceUnits * sizeof(WCHAR);
    sound = ReadFully(file, piece, bytes);
    if (sound) TableHashUpdate(&hash, piece, bytes);
    done += bytes;
  }

  // The entry blocks, each piece walked block by block and searched; a block the piece cuts
  // off is carried in front of the next piece. Then the zero slack.
  const size_t blockUnits = table.ArenaUnits - ENTRY_TABLE_SLACK;
  size_t read = 0, walked = 0, entry = 0;  // arena units read and walked; entries walked
  WCHAR* from = piece;                     // the first unit not walked
  int keptCount = 0;
  while (sound && read < table.ArenaUnits) {
    size_t units = table.ArenaUnits - read < kPieceUnits ? table.ArenaUnits - read : kPieceUnits;
    sound = ReadFully(file, piece, units * sizeof(WCHAR));
    if (!sound) break;
    TableHashUpdate(&hash, piece, units * sizeof(WCHAR));
    read += units;
    WCHAR* to = piece + units;
    memset(to, 0, kTailUnits * sizeof(WCHAR));

    const LONG first = (LONG)entry;
    int count = 0;
    WCHAR* p = from;
    while (entry < table.Count && to - p >= 1) {
      size_t length = p[0];
      if ((size_t)(to - p) < length + 2) break;
      if (walked + length + 2 > blockUnits || p[length + 1] != 0) {
        sound = false;
        break;
      }
      run[count++] = p;
      p += length + 2;
      walked += length + 2;
      entry++;
    }
    if (count > 0) {
      int accepted = 0;
      const int* index = SearchRun(search, run.get(), first, count, &accepted);
      for (; keptCount < accepted; keptCount++) kept.Keep(run[index[keptCount] - first]);
    }
    if (entry == table.Count) {
      for (; sound && p < to; p++) sound = *p == 0;
      from = piece;
    } else {
      size_t carried = (size_t)(to - p);  // less than one block
      if (carried + 8 > kCarryUnits) break;
      memmove(piece - carried, p, carried * sizeof(WCHAR));
      from = piece - carried;
    }
  }
  CloseHandle(file);

  bool whole = sound && entry == table.Count && walked == blockUnits && read == table.ArenaUnits &&
               TableHashDigest(&hash) == table.ContentHash;
  if (whole) onStatus(table.Status);
  if (!whole || keptCount == 0) {
    EndRunSearch(search, nullptr, 0, nullptr);
    return whole ? 0 : -1;
  }
  std::vector<const DictionaryEntry*> blocks(keptCount);
  for (int r = 0; r < keptCount; r++) blocks[r] = kept.Kept(r);
  EndRunSearch(search, blocks.data(), (LONG)table.Count, sink);
  return 1;
}
