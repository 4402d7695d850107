#include "device/dictionary/database.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "device/dictionary/large_block.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/unit_search.h"

ENTRY_TABLE EntryTable = {nullptr, 0};
const ENTRY_MARKS* EntryMarks = nullptr;
WCHAR WordListName[WORD_LIST_NAME_UNITS];

// The pointer array and, after it, every entry of the table (see ENTRY_TABLE_SLACK).
static LARGE_BLOCK TableBlock;
// Or a table mapped from its file beside the database.
static TABLE_MAPPING Mapping;
static int LastStatus = LOAD_OK;

void FreeDictionary()
{
  FreeLargeBlock(&TableBlock);
  UnmapTable(&Mapping);
  EntryTable.Entries = nullptr;
  EntryTable.Count = 0;
  EntryMarks = nullptr;
  WordListName[0] = 0;
}

static void TakeWordListName(const WCHAR* header, size_t length, WCHAR name[WORD_LIST_NAME_UNITS])
{
  size_t i = 0;
  while (i < length && (header[i] == u'#' || header[i] == u' ')) i++;
  size_t n = 0;
  while (i < length && n < WORD_LIST_NAME_UNITS - 1 && header[i] != u',' && header[i] != 13)
    name[n++] = header[i++];
  while (n > 0 && name[n - 1] == u' ') n--;
  while (n < WORD_LIST_NAME_UNITS) name[n++] = 0;  // a kept table holds the whole array
}

int LoadDictionaryStatus()
{
  return LastStatus;
}

static bool IsDigit(WCHAR c)
{
  return c >= u'0' && c <= u'9';
}

#define NOWHERE ((size_t)-1)

// The units that steer the parse: line ends, brackets and '#'. They are found
// 64 units at a time and handed out in order.
static const WCHAR Markers[4] = {13, u'[', u']', u'#'};

struct MARKER_SCAN {
  const WCHAR* units;
  size_t total;
  size_t base;    // the first unit that bits describes
  uint64_t bits;  // markers at base + k not handed out yet
};

// The position of the first marker at or after from, or total.
static size_t NextMarker(MARKER_SCAN* scan, size_t from)
{
  if (from >= scan->base + 64) {
    scan->base = from;
    size_t count = scan->total - from < 64 ? scan->total - from : 64;
    scan->bits = count ? MarkerMask(scan->units + from, count, Markers) : 0;
  } else if (from > scan->base) {
    scan->bits &= ~(uint64_t)0 << (from - scan->base);
  }
  while (!scan->bits) {
    scan->base += 64;
    if (scan->base >= scan->total) return scan->total;
    size_t count = scan->total - scan->base < 64 ? scan->total - scan->base : 64;
    scan->bits = MarkerMask(scan->units + scan->base, count, Markers);
  }
  return scan->base + __builtin_ctzll(scan->bits);
}

// What one scan of a line finds besides its end.
struct LINE_SCAN {
  size_t Open, Close;  // the first complete bracket pair: the pronunciation
  size_t FirstOpen;    // the first '['
  size_t FirstHash;    // the first '#' after it
};

// Finds the first CR at or after pos (total when there is none). A '[' whose
// ']' does not come before the line's end forms no pair; a '[' inside a pair
// is part of its content. Later pairs are cross-references inside the
// definitions (个[ge4]) and never give the key.
static size_t ScanLine(MARKER_SCAN* markers, size_t pos, LINE_SCAN* scan)
{
  scan->Open = scan->Close = scan->FirstOpen = scan->FirstHash = NOWHERE;
  size_t open = NOWHERE;
  for (size_t x = pos;; x++) {
    x = NextMarker(markers, x);
    if (x == markers->total) return x;
    switch (markers->units[x]) {
      case 13:
        return x;
      case u'[':
        if (scan->FirstOpen == NOWHERE) scan->FirstOpen = x;
        if (open == NOWHERE) open = x;
        break;
      case u']':
        if (open != NOWHERE && scan->Close == NOWHERE) {
          scan->Open = open;
          scan->Close = x;
          open = NOWHERE;
        }
        break;
      default:  // '#'
        if (scan->FirstOpen != NOWHERE && scan->FirstHash == NOWHERE) scan->FirstHash = x;
        break;
    }
  }
}

// The marks of an entry read from its text: for the rare lines that had to be cut.
static ENTRY_MARKS MarkText(const WCHAR* text, size_t length)
{
  ENTRY_MARKS marks = {MARK_NONE, MARK_NONE};
  size_t i = 0;
  while (i < length && text[i] != u'[') i++;
  if (i == length) return marks;
  marks.Open = (WORD)i;
  while (i < length && text[i] != u'#') i++;
  marks.Hash = (WORD)i;
  return marks;
}

// A mapped database's pages behind the parse are handed back as it goes: they stay in the
// page cache, and a first load holds the file image and the new table together only a few
// MiB at a time instead of the whole file beside the whole table (released: the first byte
// still held).
static void ReleaseParsed(const void* upTo, const BYTE** released)
{
#if defined(__linux__)
  const uintptr_t step = (uintptr_t)2 << 20, page = 4096;
  uintptr_t end = (uintptr_t)upTo & ~(page - 1);
  uintptr_t from = (uintptr_t)*released;
  if (end <= from || end - from < step) return;
  madvise((void*)from, end - from, MADV_DONTNEED);  // advice only: a refusal keeps the pages
  *released = (const BYTE*)end;
#endif
}

// The table in memory: the pointer array, the marks and the entry blocks in TableBlock.
class MemoryTable {
 public:
  // Room for capacity entries, whose lines take remaining units of the file.
  bool Begin(size_t capacity, size_t remaining)
  {
    // An entry block (length, text, key, terminator) never exceeds three times the units its
    // line takes in the file (an empty line: one CR, three units).
    size_t arenaUnits = 3 * remaining + ENTRY_TABLE_SLACK;
    size_t pointerBytes = capacity * sizeof(DictionaryEntry*);
    size_t markBytes = (capacity * sizeof(ENTRY_MARKS) + 7) & ~(size_t)7;
    if (!AllocLargeBlock(&TableBlock, pointerBytes + markBytes + arenaUnits * sizeof(WCHAR))) {
      WCHAR trace[64];
      wsprintfW(trace, u"ERROR @ %d ##########################\n", 0);
      OutputDebugStringW(trace);
      return false;
    }
    BYTE* bytes = static_cast<BYTE*>(TableBlock.Data);
    EntryTable.Entries = reinterpret_cast<DictionaryEntry**>(bytes);
    marks_ = reinterpret_cast<ENTRY_MARKS*>(bytes + pointerBytes);
    EntryMarks = marks_;
    out_ = reinterpret_cast<WCHAR*>(bytes + pointerBytes + markBytes);
    return true;
  }
  WCHAR* Room() { return out_; }
  bool Add(size_t units, ENTRY_MARKS marks)
  {
    marks_[count_] = marks;
    EntryTable.Entries[count_++] = out_;
    out_ += units;
    return true;
  }
  // The zero slack after the last block.
  void Finish()
  {
    EntryTable.Count = (LONG)count_;
    memset(out_, 0, ENTRY_TABLE_SLACK * sizeof(WCHAR));
  }

 private:
  ENTRY_MARKS* marks_ = nullptr;
  WCHAR* out_ = nullptr;
  size_t count_ = 0;
};

// A table file written as the parse goes.
class FileTable {
 public:
  FileTable(const WCHAR* path, std::function<bool(const TABLE_RUN&)> onRun) : path_(path), onRun_(std::move(onRun)) {}
  bool Begin(size_t capacity, size_t) { return writer_.Begin(path_, capacity, std::move(onRun_)); }
  WCHAR* Room() { return writer_.Room(); }
  bool Add(size_t units, ENTRY_MARKS marks) { return writer_.Add(units, marks); }
  TableWriter& Writer() { return writer_; }

 private:
  const WCHAR* path_;
  std::function<bool(const TABLE_RUN&)> onRun_;
  TableWriter writer_;
};

// Parses a database image into sink (MemoryTable or FileTable) and the word list's name into
// name; returns the load status. released: null, or the start of a read-only file mapping
// that holds image (page-aligned), whose pages the parse may give back once it has passed
// them.
template <class Sink>
static int ParseImage(const BYTE* image, DWORD size, const BYTE* released, Sink& sink, WCHAR name[WORD_LIST_NAME_UNITS])
{
  int status = LOAD_OK;
  if (!image || size < 4) return LOAD_DAMAGED;

  int32_t lineCount;
  memcpy(&lineCount, image, 4);
  if (size & 1) status = LOAD_DAMAGED;  // the odd last byte belongs to no unit
  size_t total = (size - 4) / 2;

  // The units are read in place when they are aligned, else from a copy.
  std::unique_ptr<WCHAR, void (*)(void*)> aligned(nullptr, free);
  const WCHAR* units = reinterpret_cast<const WCHAR*>(image + 4);
  if (reinterpret_cast<uintptr_t>(units) % alignof(WCHAR) != 0) {
    aligned.reset(static_cast<WCHAR*>(malloc(total * sizeof(WCHAR) + 1)));
    if (!aligned) return LOAD_NO_MEMORY;
    memcpy(aligned.get(), image + 4, total * sizeof(WCHAR));
    units = aligned.get();
    released = nullptr;
  }
  if (lineCount < 1) return LOAD_DAMAGED;

  // The header line ends at its LF.
  size_t pos = 0;
  while (pos < total && units[pos] != 10) pos++;
  if (pos == total) return LOAD_DAMAGED;
  pos++;

  // A damaged count must not size the tables: every line holds at least its CR.
  size_t wanted = (size_t)lineCount - 1;
  size_t remaining = total - pos;
  size_t capacity = wanted < remaining ? wanted : remaining;
  if (!sink.Begin(capacity, remaining)) return LOAD_NO_MEMORY;
  TakeWordListName(units, pos - 1, name);

  size_t loaded = 0;
  MARKER_SCAN markers = {units, total, 0, 0};
  markers.bits = MarkerMask(units, total < 64 ? total : 64, Markers);
  while (loaded < capacity) {
    if (pos >= total) break;
    LINE_SCAN scan;
    size_t cr = ScanLine(&markers, pos, &scan);
    if (cr >= total) break;  // a last line cut before its CR is not an entry

    // The toneless key: the pronunciation's units without its digits.
    size_t keyUnits = 0;
    if (scan.Close != NOWHERE) {
      for (size_t k = scan.Open + 1; k < scan.Close && keyUnits < MAX_KEY_UNITS - 1; k++)
        if (!IsDigit(units[k])) keyUnits++;
    }
    // The line's last unit (its closing '/') gives way to '#'; an empty line has none, so its
    // text is '#' and the key alone. The length unit holds 16 bits: an overlong line keeps
    // what fits.
    size_t j = cr - pos;
    size_t kept = j > 0 ? j - 1 : 0;
    size_t maxKept = 65535 - 1 - keyUnits;
    bool cut = kept > maxKept;
    if (cut) {
      kept = maxKept;
      status = LOAD_DAMAGED;
    }
    WCHAR* entry = sink.Room();
    if (!entry) break;
    memcpy(entry + 1, units + pos, kept * sizeof(WCHAR));
    WCHAR* key = entry + 1 + kept;
    *key++ = u'#';
    if (keyUnits) {
      size_t n = 0;
      for (size_t k = scan.Open + 1; n < keyUnits; k++)
        if (!IsDigit(units[k])) key[n++] = units[k];
    }
    size_t length = kept + 1 + keyUnits;
    entry[0] = (WCHAR)length;
    entry[1 + length] = 0;

    // The line's first '[' and '#' keep their places in the entry text; the loader's own '#'
    // at kept ends the search for one.
    ENTRY_MARKS marks;
    if (cut) {
      marks = MarkText(entry + 1, length);
    } else if (scan.FirstOpen == NOWHERE || scan.FirstOpen - pos >= kept) {
      marks.Open = marks.Hash = MARK_NONE;
    } else {
      marks.Open = (WORD)(scan.FirstOpen - pos);
      size_t hash = scan.FirstHash == NOWHERE ? kept : scan.FirstHash - pos;
      marks.Hash = (WORD)(hash < kept ? hash : kept);
    }
    if (!sink.Add(length + 2, marks)) break;
    loaded++;

    pos = cr + 1;
    if (pos < total && units[pos] == 10)
      pos++;
    else
      status = LOAD_DAMAGED;  // a CR without its LF
    if (released) ReleaseParsed(units + pos, &released);
  }
  if (loaded < wanted || pos < total) status = LOAD_DAMAGED;
  return status;
}

static int ParseDictionaryImage(const BYTE* image, DWORD size, const BYTE* released)
{
  FreeDictionary();
  MemoryTable table;
  int status = ParseImage(image, size, released, table, WordListName);
  if (status == LOAD_OK || status == LOAD_DAMAGED) {
    if (EntryTable.Entries) table.Finish();
  } else {
    FreeDictionary();
  }
  return LastStatus = status;
}

int LoadDictionaryImage(const BYTE* image, DWORD size) { return ParseDictionaryImage(image, size, nullptr); }

void ReleaseDictionaryPages()
{
#if defined(__linux__)
  // Read-only and never written: dropped pages come back from the file as they were.
  if (Mapping.View) madvise(const_cast<void*>(Mapping.View), Mapping.Bytes, MADV_DONTNEED);
#endif
}

static int TableLoading = TABLE_ON_DEMAND;

void SetTableLoading(int how) { TableLoading = how; }

void LoadDictionary(const WCHAR* fileName)
{
  FreeDictionary();
  DWORD size = 0;
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  HANDLE file = OpenDatabase(fileName, &size, &stamp, tablePath);
  if (file == INVALID_HANDLE_VALUE) {
    LastStatus = LOAD_UNREADABLE;
    return;
  }
  // A table made from this very file is mapped; else the file is, and parsed.
  const bool stamped = tablePath[0] != 0;
  if (stamped) {
    DictionaryEntry** entries = nullptr;
    LONG count = 0;
    int status = LOAD_OK;
    int mapped = MapTableFile(tablePath, stamp, &Mapping, &entries, &EntryMarks, &count, &status, WordListName,
                              TableLoading == TABLE_AT_ONCE);
    if (mapped != 0) {
      CloseHandle(file);
      EntryTable.Entries = entries;
      EntryTable.Count = count;
      LastStatus = mapped > 0 ? status : LOAD_NO_MEMORY;
      return;
    }
  }
  if (const BYTE* image = MapWholeFile(file)) {
    CloseHandle(file);
    ParseDictionaryImage(image, size, image);
    UnmapViewOfFile(image);
    if (stamped && (LastStatus == LOAD_OK || LastStatus == LOAD_DAMAGED)) WriteTableFile(tablePath, stamp, LastStatus);
    return;
  }
  LARGE_BLOCK copy;
  if (!AllocLargeBlock(&copy, size)) {
    CloseHandle(file);
    LastStatus = LOAD_NO_MEMORY;
    return;
  }
  bool read = ReadFileAt(file, 0, copy.Data, size);
  CloseHandle(file);
  if (read)
    LoadDictionaryImage(static_cast<const BYTE*>(copy.Data), size);
  else
    LastStatus = LOAD_UNREADABLE;
  FreeLargeBlock(&copy);
}

int KeepDictionaryTable(const WCHAR* fileName, int* status, std::function<bool(const TABLE_RUN&)> onRun)
{
  DWORD size = 0;
  DATABASE_STAMP stamp;
  WCHAR tablePath[MAX_PATH];
  HANDLE file = OpenDatabase(fileName, &size, &stamp, tablePath);
  if (file == INVALID_HANDLE_VALUE) return -1;
  if (!tablePath[0]) {  // no table can be kept for it
    CloseHandle(file);
    return -1;
  }
  TABLE_VIEW view;
  HANDLE kept = OpenTableView(tablePath, stamp, &view);
  if (kept != INVALID_HANDLE_VALUE) {
    CloseHandle(kept);
    CloseHandle(file);
    return 0;
  }
  // Mapped page by page as the parse reaches it, and handed back behind it: the database is
  // never resident whole either.
  const BYTE* image = MapWholeFile(file, true);
  CloseHandle(file);
  if (!image) return -1;
  FileTable table(tablePath, std::move(onRun));
  WCHAR name[WORD_LIST_NAME_UNITS] = {};
  int parsed = ParseImage(image, size, image, table, name);
  UnmapViewOfFile(image);
  if ((parsed != LOAD_OK && parsed != LOAD_DAMAGED) || !table.Writer().Finish(stamp, parsed, name)) return -1;
  if (status) *status = parsed;
  return 1;
}

int CopyEntryText(int index, WCHAR** copy)
{
  if (index < 0 || index >= EntryTable.Count) {
    *copy = nullptr;
    return -1;
  }
  const DictionaryEntry* entry = EntryTable.Entries[index];
  int length = entry[0];
  WCHAR* text = static_cast<WCHAR*>(malloc((length + 1) * sizeof(WCHAR)));
  if (!text) {
    *copy = nullptr;
    return -1;
  }
  memcpy(text, entry + 1, (length + 1) * sizeof(WCHAR));
  *copy = text;
  return length;
}
