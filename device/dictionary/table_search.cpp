#include "device/dictionary/table_search.h"

#include <cstring>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_reader.h"

namespace {

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

int FindThroughTableFile(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int pinyin,
                         void (*onStatus)(int status), ResultSink sink)
{
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  if (!LocateKeptTable(fileName, &stamp, tablePath)) return -1;
  TABLE_VIEW table;
  HANDLE file = OpenTableView(tablePath, stamp, &table);
  if (file == INVALID_HANDLE_VALUE) return -1;
  RUN_SEARCH* search = BeginRunSearch(query, matchCase, wholeWord, pinyin);
  if (!search) {
    CloseHandle(file);
    return -1;
  }
  KeptBlocks kept(table.ArenaUnits);
  int keptCount = 0;
  bool whole = kept.Ready() && ReadTableThrough(file, table, pinyin != 0, [&](const TABLE_RUN& run) {
                 int accepted = 0;
                 const int* index = SearchRun(search, run.Blocks, run.Marks, run.First, run.Count, &accepted);
                 for (; keptCount < accepted; keptCount++) kept.Keep(run.Blocks[index[keptCount] - run.First]);
                 return true;
               });
  CloseHandle(file);

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
