#include "device/dictionary/headword_counts.h"

#include <cstring>
#include <vector>

#include "device/dictionary/best_match.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_hash.h"
#include "device/dictionary/table_reader.h"
#include "device/dictionary/word_frequency.h"

namespace {

const char kMagic[8] = {'O', 'R', 'L', 'F', 'R', 'E', 'Q', '1'};

// The file: this header, then a 32-bit count for every entry of the table, in entry order.
struct COUNTS_HEADER {
  char Magic[8];
  TABLE_TIE Table;
  DATABASE_STAMP List;   // of the word-frequency list the counts were taken from
  uint64_t ContentHash;  // of the counts
};
static_assert(sizeof(COUNTS_HEADER) == 80, "the counts start 4-byte aligned, right after the header");

// The database's stamp and the paths of its table and of the counts kept beside it.
bool Locate(const WCHAR* fileName, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH], WCHAR countsPath[MAX_PATH])
{
  if (!LocateKeptTable(fileName, stamp, tablePath)) return false;
  lstrcpyW(countsPath, tablePath);
  lstrcatW(countsPath, u".freq");
  return true;
}

// Maps the counts at countsPath when they belong to table and to the list of stamp list.
bool MapCounts(const WCHAR* countsPath, const TABLE_VIEW& table, const DATABASE_STAMP& list, HEADWORD_COUNTS* counts)
{
  *counts = HEADWORD_COUNTS{};
  HANDLE file = CreateFileW(countsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD bytes = GetFileSize(file, &high);
  const bool fits = bytes != INVALID_FILE_SIZE && high == 0 &&
                    (uint64_t)bytes == sizeof(COUNTS_HEADER) + (uint64_t)table.Count * sizeof(uint32_t);
  const BYTE* view = fits ? MapWholeFile(file, true) : nullptr;
  CloseHandle(file);
  if (!view) return false;
  COUNTS_HEADER header;
  memcpy(&header, view, sizeof header);
  if (memcmp(header.Magic, kMagic, sizeof kMagic) != 0 || !TiedTo(header.Table, table) ||
      !SameStamp(header.List, list) || TableHashOf(view + sizeof header, bytes - sizeof header) != header.ContentHash) {
    UnmapViewOfFile(view);
    return false;
  }
  counts->View = view;
  counts->Counts = reinterpret_cast<const uint32_t*>(view + sizeof header);
  counts->Count = table.Count;
  return true;
}

// The kept table's file, its header checked, with the counts' path and the list's stamp;
// INVALID_HANDLE_VALUE when there is no table or no list file.
HANDLE OpenTableAndList(const WCHAR* fileName, TABLE_VIEW* table, WCHAR tablePath[MAX_PATH], WCHAR countsPath[MAX_PATH],
                        DATABASE_STAMP* list)
{
  DATABASE_STAMP stamp;
  if (!Locate(fileName, &stamp, tablePath, countsPath) || !StampWordFrequencyList(list)) return INVALID_HANDLE_VALUE;
  return OpenTableView(tablePath, stamp, table);
}

}  // namespace

bool OpenHeadwordCounts(const WCHAR* fileName, HEADWORD_COUNTS* counts)
{
  *counts = HEADWORD_COUNTS{};
  TABLE_VIEW table;
  WCHAR tablePath[MAX_PATH], countsPath[MAX_PATH];
  DATABASE_STAMP list;
  HANDLE tableFile = OpenTableAndList(fileName, &table, tablePath, countsPath, &list);
  if (tableFile == INVALID_HANDLE_VALUE) return false;
  CloseHandle(tableFile);
  return MapCounts(countsPath, table, list, counts);
}

void CloseHeadwordCounts(HEADWORD_COUNTS* counts)
{
  if (counts->View) UnmapViewOfFile(counts->View);
  *counts = HEADWORD_COUNTS{};
}

bool KeepHeadwordCounts(const WCHAR* fileName)
{
  TABLE_VIEW table;
  WCHAR tablePath[MAX_PATH], countsPath[MAX_PATH];
  DATABASE_STAMP list, after;
  HANDLE file = OpenTableAndList(fileName, &table, tablePath, countsPath, &list);
  if (file == INVALID_HANDLE_VALUE) return false;
  HEADWORD_COUNTS kept;
  if (MapCounts(countsPath, table, list, &kept)) {  // another process made them meanwhile
    CloseHeadwordCounts(&kept);
    CloseHandle(file);
    return false;
  }
  // Begun before the work: a folder that cannot be written costs a lookup nothing more.
  FILE_IN_PLACE place;
  if (!BeginFileInPlace(countsPath, &place)) {
    CloseHandle(file);
    return false;
  }
  // The list this process may have read before its stamp was taken is read again: the counts
  // must be the stamped file's.
  SetWordFrequencyText(nullptr, 0);
  std::vector<uint32_t> values(table.Count);
  bool read = ReadTableThrough(file, table, false, [&values](const TABLE_RUN& run) {
    for (int k = 0; k < run.Count; k++) values[(size_t)run.First + k] = HeadwordFrequency(run.Blocks[k]);
    return true;
  }, tablePath);
  CloseHandle(file);
  // A list changed while it was read leaves nothing: the counts might be of neither version.
  read = read && StampWordFrequencyList(&after) && SameStamp(list, after);
  COUNTS_HEADER header;
  memset(&header, 0, sizeof header);
  memcpy(header.Magic, kMagic, sizeof kMagic);
  header.Table = TieOf(table);
  header.List = list;
  header.ContentHash = TableHashOf(values.data(), values.size() * sizeof(uint32_t));
  read = read && WriteFileAt(place.File, 0, &header, sizeof header) &&
         WriteFileAt(place.File, sizeof header, values.data(), values.size() * sizeof(uint32_t));
  return FinishFileInPlace(&place, read);
}
