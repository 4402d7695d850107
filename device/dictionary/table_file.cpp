#include "device/dictionary/table_file.h"

#include <cstdlib>
#include <cstring>
#include <string>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "device/dictionary/table_hash.h"
#include "device/dictionary/table_reader.h"
#include "device/shell/program_folder.h"

namespace {

// 2: the marks after the entry blocks, so that a table can be written as it is parsed.
const char kMagic[8] = {'O', 'R', 'L', 'T', 'A', 'B', 'L', '2'};
const size_t kSampleBytes = 4096;

struct TABLE_HEADER {
  char Magic[8];
  uint64_t FileBytes;
  DATABASE_STAMP Source;
  int32_t Status;
  int32_t Count;
  uint64_t ArenaUnits;  // the entry blocks and the slack
  WCHAR WordListName[WORD_LIST_NAME_UNITS];
  uint64_t ContentHash;  // of everything after the header
  uint64_t HeaderHash;   // of the header before this field
};
static_assert(sizeof(TABLE_HEADER) % 8 == 0, "the entry blocks follow the header 8-aligned");

size_t Padded(size_t bytes)
{
  return (bytes + 7) & ~(size_t)7;
}

size_t MarkBytes(size_t count)
{
  return Padded(count * sizeof(ENTRY_MARKS));
}

// The header's size, the entry blocks with their slack and the marks, each 8-aligned.
uint64_t TableBytes(size_t count, size_t arenaUnits)
{
  return sizeof(TABLE_HEADER) + Padded(arenaUnits * sizeof(WCHAR)) + MarkBytes(count);
}

const BYTE kZeros[8] = {};

uint64_t HeaderHash(const TABLE_HEADER& header)
{
  return XXH3_64bits(&header, offsetof(TABLE_HEADER, HeaderHash));
}

bool WriteAll(HANDLE file, const void* data, size_t bytes)
{
  const BYTE* p = static_cast<const BYTE*>(data);
  while (bytes > 0) {
    DWORD piece = bytes < (1u << 30) ? (DWORD)bytes : (1u << 30);
    DWORD done = 0;
    if (!WriteFile(file, p, piece, &done, nullptr) || done == 0) return false;
    p += done;
    bytes -= done;
  }
  return true;
}

// Walks the entry blocks as the loader leaves them, hashing the blocks a piece ahead of
// the walk: one pass over memory, and the walk's dependent reads find the piece in cache.
// False at the first block or mark that does not fit.
bool CheckEntries(TableHash* hash, const ENTRY_MARKS* marks, size_t count, const WCHAR* arena, size_t arenaUnits,
                  DictionaryEntry** entries)
{
  if (arenaUnits < ENTRY_TABLE_SLACK) return false;
  const WCHAR* end = arena + arenaUnits - ENTRY_TABLE_SLACK;
  const WCHAR* p = arena;
  size_t i = 0;
  const size_t piece = 64 * 1024;
  for (size_t from = 0; from < arenaUnits; from += piece) {
    size_t units = arenaUnits - from < piece ? arenaUnits - from : piece;
    TableHashUpdate(hash, arena + from, units * sizeof(WCHAR));
    const WCHAR* hashed = arena + from + units;
    for (; i < count && p < hashed; i++) {
      if (end - p < 2) return false;
      size_t length = p[0];
      if ((size_t)(end - p) < length + 2 || p[length + 1] != 0) return false;
      if (!MarksFit(marks[i], length)) return false;
      entries[i] = const_cast<WCHAR*>(p);
      p += length + 2;
    }
  }
  if (i != count || p != end) return false;
  for (size_t k = 0; k < ENTRY_TABLE_SLACK; k++)
    if (end[k] != 0) return false;
  return true;
}

}  // namespace

bool SameStamp(const DATABASE_STAMP& a, const DATABASE_STAMP& b)
{
  return a.Size == b.Size && a.Index == b.Index && a.Volume == b.Volume &&
         a.Written.dwLowDateTime == b.Written.dwLowDateTime && a.Written.dwHighDateTime == b.Written.dwHighDateTime &&
         a.Sample == b.Sample;
}

BOOL StampDatabase(HANDLE file, DWORD size, DATABASE_STAMP* stamp)
{
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return FALSE;
  memset(stamp, 0, sizeof *stamp);
  stamp->Size = size;
  stamp->Index = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
  stamp->Volume = info.dwVolumeSerialNumber;
  stamp->Written = info.ftLastWriteTime;
  // The header line names the edition; the end changes with nearly any other edit.
  BYTE sample[2 * kSampleBytes];
  DWORD head = size < kSampleBytes ? size : kSampleBytes;
  DWORD tail = size - head < kSampleBytes ? size - head : kSampleBytes;
  if (!ReadFileAt(file, 0, sample, head) || !ReadFileAt(file, size - tail, sample + head, tail)) return FALSE;
  stamp->Sample = XXH3_64bits(sample, head + tail);
  return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
}

const BYTE* MapWholeFile(HANDLE file, bool onDemand, bool largePages)
{
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping) return nullptr;
  const void* view = MapViewOfFile(
      mapping, FILE_MAP_READ | (onDemand ? FILE_MAP_ON_DEMAND : 0) | (largePages ? FILE_MAP_LARGE_PAGES : 0), 0, 0, 0);
  CloseHandle(mapping);  // the view keeps what it needs
  return static_cast<const BYTE*>(view);
}

void UnmapTable(TABLE_MAPPING* mapping)
{
  FreeLargeBlock(&mapping->Entries);
  if (mapping->View) UnmapViewOfFile(mapping->View);
  mapping->View = nullptr;
}

HANDLE OpenTableView(const WCHAR* tablePath, const DATABASE_STAMP& stamp, TABLE_VIEW* view)
{
  *view = TABLE_VIEW{};
  HANDLE file = CreateFileW(tablePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  DWORD high = 0;
  DWORD fileBytes = GetFileSize(file, &high);
  TABLE_HEADER header;
  if (fileBytes == INVALID_FILE_SIZE || high != 0 || fileBytes < sizeof header || !ReadFileAt(file, 0, &header, sizeof header) ||
      memcmp(header.Magic, kMagic, sizeof kMagic) != 0 || header.HeaderHash != HeaderHash(header) ||
      header.FileBytes != fileBytes || !SameStamp(header.Source, stamp) || header.Count < 0 ||
      (header.Status != LOAD_OK && header.Status != LOAD_DAMAGED) ||
      header.ArenaUnits > fileBytes / sizeof(WCHAR) || header.ArenaUnits < ENTRY_TABLE_SLACK ||
      TableBytes((size_t)header.Count, header.ArenaUnits) != fileBytes) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  view->FileBytes = fileBytes;
  view->Count = (size_t)header.Count;
  view->ArenaOffset = sizeof header;
  view->ArenaUnits = header.ArenaUnits;
  view->MarksOffset = sizeof header + Padded(header.ArenaUnits * sizeof(WCHAR));
  view->Status = header.Status;
  view->HeaderHash = header.HeaderHash;
  view->ContentHash = header.ContentHash;
  memcpy(view->Name, header.WordListName, sizeof header.WordListName);
  view->Name[WORD_LIST_NAME_UNITS - 1] = 0;
  return file;
}

bool MarksFit(ENTRY_MARKS marks, size_t length)
{
  return marks.Open == MARK_NONE ? marks.Hash == MARK_NONE : marks.Open < marks.Hash && marks.Hash <= length;
}

// Moves bytes between data and a file from its offset at on, one call of io a piece (a pread
// or a pwrite): the file pointer does not move, and no seek is made for it.
template <class Byte, class Io>
static bool MoveAt(DWORD at, Byte* data, size_t bytes, Io io)
{
  uint64_t offset = at;
  while (bytes > 0) {
    DWORD piece = bytes < (1u << 30) ? (DWORD)bytes : (1u << 30);
    OVERLAPPED where = {};
    where.Offset = (DWORD)offset;
    where.OffsetHigh = (DWORD)(offset >> 32);
    DWORD done = 0;
    if (!io(data, piece, &done, &where) || done == 0) return false;
    data += done;
    offset += done;
    bytes -= done;
  }
  return true;
}

bool ReadFileAt(HANDLE file, DWORD at, void* data, size_t bytes)
{
  return MoveAt(at, static_cast<BYTE*>(data), bytes, [file](BYTE* p, DWORD n, DWORD* done, OVERLAPPED* where) {
    return ReadFile(file, p, n, done, where);
  });
}

bool WriteFileAt(HANDLE file, DWORD at, const void* data, size_t bytes)
{
  return MoveAt(at, static_cast<const BYTE*>(data), bytes, [file](const BYTE* p, DWORD n, DWORD* done, OVERLAPPED* where) {
    return WriteFile(file, p, n, done, where);
  });
}

bool ReadFully(HANDLE file, void* data, size_t bytes)
{
  BYTE* p = static_cast<BYTE*>(data);
  while (bytes > 0) {
    DWORD piece = bytes < (1u << 30) ? (DWORD)bytes : (1u << 30);
    DWORD got = 0;
    if (!ReadFile(file, p, piece, &got, nullptr) || got == 0) return false;
    p += got;
    bytes -= got;
  }
  return true;
}

HANDLE OpenDatabase(const WCHAR* fileName, DWORD* size, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH])
{
  tablePath[0] = 0;
  WCHAR path[MAX_PATH];
  if (!ProgramFolderPath(fileName, path)) return INVALID_HANDLE_VALUE;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  DWORD high = 0;
  *size = GetFileSize(file, &high);
  if (*size == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  if (lstrlenW(path) + 6 < MAX_PATH && StampDatabase(file, *size, stamp)) {
    lstrcpyW(tablePath, path);
    lstrcatW(tablePath, u".table");
  }
  return file;
}

TABLE_TIE TieOf(const TABLE_VIEW& table) { return TABLE_TIE{table.HeaderHash, table.FileBytes, table.Count}; }

bool TiedTo(const TABLE_TIE& tie, const TABLE_VIEW& table)
{
  return tie.HeaderHash == table.HeaderHash && tie.FileBytes == table.FileBytes && tie.Count == table.Count;
}

bool LocateKeptTable(const WCHAR* fileName, DATABASE_STAMP* stamp, WCHAR tablePath[MAX_PATH])
{
  DWORD size;
  HANDLE file = OpenDatabase(fileName, &size, stamp, tablePath);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return tablePath[0] && lstrlenW(tablePath) + 7 < MAX_PATH;  // room for the index's name too
}

int MapTableFile(const WCHAR* tablePath, const DATABASE_STAMP& stamp, TABLE_MAPPING* mapping,
                 DictionaryEntry*** entries, const ENTRY_MARKS** marks, LONG* count, int* status,
                 WCHAR name[WORD_LIST_NAME_UNITS], bool atOnce)
{
  *mapping = TABLE_MAPPING{};
  TABLE_VIEW view;
  HANDLE file = OpenTableView(tablePath, stamp, &view);
  if (file == INVALID_HANDLE_VALUE) return 0;
  // Mapped whole when the caller reads all of it at once: then checked in place, one pass.
  // Else mapped with nothing read in and checked by reading the file through, so a page of
  // the mapping is first touched by a search that needs it, and a program that has just
  // loaded the table holds none of it.
  const BYTE* bytes = MapWholeFile(file, !atOnce);
  if (!bytes) {
    CloseHandle(file);
    return 0;
  }
  size_t n = view.Count;
  LARGE_BLOCK block;
  if (!AllocLargeBlock(&block, (n ? n : 1) * sizeof(DictionaryEntry*))) {
    CloseHandle(file);
    UnmapViewOfFile(bytes);
    return -1;
  }
  DictionaryEntry** table = static_cast<DictionaryEntry**>(block.Data);
  const WCHAR* arena = reinterpret_cast<const WCHAR*>(bytes + view.ArenaOffset);
  bool whole;
  if (atOnce) {
    TableHash hash;
    TableHashReset(&hash);
    const ENTRY_MARKS* marks = reinterpret_cast<const ENTRY_MARKS*>(bytes + view.MarksOffset);
    const BYTE* arenaEnd = reinterpret_cast<const BYTE*>(arena + view.ArenaUnits);
    whole = CheckEntries(&hash, marks, n, arena, view.ArenaUnits, table);
    if (whole) {
      TableHashUpdate(&hash, arenaEnd, view.FileBytes - (size_t)(arenaEnd - bytes));  // the padding and the marks
      whole = TableHashDigest(&hash) == view.ContentHash;
    }
  } else {
    // Each block checked in the piece read is at the same place in the mapping.
    whole = ReadTableThrough(file, view, true, [&](const TABLE_RUN& run) {
      const WCHAR* mapped = arena + run.FirstUnit;
      for (int k = 0; k < run.Count; k++)
        table[run.First + k] = const_cast<WCHAR*>(mapped + (run.Blocks[k] - run.Blocks[0]));
      return true;
    });
  }
  CloseHandle(file);
  if (!whole) {
    FreeLargeBlock(&block);
    UnmapViewOfFile(bytes);
    return 0;
  }
  mapping->View = bytes;
  mapping->Bytes = view.FileBytes;
  mapping->Entries = block;
  *entries = table;
  *marks = reinterpret_cast<const ENTRY_MARKS*>(bytes + view.MarksOffset);
  *count = (LONG)n;
  *status = view.Status;
  memcpy(name, view.Name, sizeof view.Name);
  return 1;
}

// The header of a table of count entries whose blocks and slack take arenaUnits, with the hash
// of everything after it.
static TABLE_HEADER MakeHeader(const DATABASE_STAMP& stamp, int status, size_t count, size_t arenaUnits,
                               const WCHAR name[WORD_LIST_NAME_UNITS], uint64_t contentHash)
{
  TABLE_HEADER header;
  memset(&header, 0, sizeof header);
  memcpy(header.Magic, kMagic, sizeof kMagic);
  header.FileBytes = TableBytes(count, arenaUnits);
  header.Source = stamp;
  header.Status = status;
  header.Count = (int32_t)count;
  header.ArenaUnits = arenaUnits;
  memcpy(header.WordListName, name, sizeof header.WordListName);
  header.ContentHash = contentHash;
  header.HeaderHash = HeaderHash(header);
  return header;
}

void WriteTableFile(const WCHAR* tablePath, const DATABASE_STAMP& stamp, int status)
{
  size_t n = (size_t)EntryTable.Count;
  if (n == 0 || !EntryMarks) return;
  const DictionaryEntry* last = EntryTable.Entries[n - 1];
  const WCHAR* arena = EntryTable.Entries[0];
  size_t arenaUnits = (size_t)(last + last[0] + 2 - arena) + ENTRY_TABLE_SLACK;
  if (TableBytes(n, arenaUnits) >= INVALID_FILE_SIZE) return;
  const size_t arenaBytes = arenaUnits * sizeof(WCHAR), markBytes = n * sizeof(ENTRY_MARKS);
  const FILE_PART content[] = {{arena, arenaBytes},
                               {kZeros, Padded(arenaBytes) - arenaBytes},
                               {EntryMarks, markBytes},
                               {kZeros, Padded(markBytes) - markBytes}};
  TableHash hash;
  TableHashReset(&hash);
  for (const FILE_PART& part : content) TableHashUpdate(&hash, part.Data, part.Bytes);
  TABLE_HEADER header = MakeHeader(stamp, status, n, arenaUnits, WordListName, TableHashDigest(&hash));
  const FILE_PART parts[] = {{&header, sizeof header}, content[0], content[1], content[2], content[3]};
  WriteFileInPlace(tablePath, parts, 5);
}

// A writer hashes and writes the entry blocks a piece at a time, in one huge page of 2 MiB with
// room before the piece for a unit that a search of its first block may read, and after it for
// the units a search may read past its last.
const size_t kWriteLeadUnits = 8, kWriteTailUnits = 64;
const size_t kWritePieceUnits = ((size_t)1 << 20) - kWriteLeadUnits - kWriteTailUnits;

WCHAR* TableWriter::Piece() const
{
  return static_cast<WCHAR*>(piece_.Data) + kWriteLeadUnits;
}

bool TableWriter::Begin(const WCHAR* tablePath, size_t capacity, std::function<bool(const TABLE_RUN&)> onRun)
{
  if (!BeginFileInPlace(tablePath, &file_) ||
      !AllocLargeBlock(&piece_, (kWriteLeadUnits + kWritePieceUnits + kWriteTailUnits) * sizeof(WCHAR)) ||
      !AllocLargeBlock(&marks_, (capacity ? capacity : 1) * sizeof(ENTRY_MARKS))) {
    Abandon();
    return false;
  }
  memset(piece_.Data, 0, kWriteLeadUnits * sizeof(WCHAR));
  capacity_ = capacity;
  onRun_ = std::move(onRun);
  TableHashReset(&hash_);
  static const TABLE_HEADER blank = {};
  ok_ = WriteAll(file_.File, &blank, sizeof blank);  // the header comes last, when all is known
  return ok_;
}

bool TableWriter::Flush()
{
  WCHAR* piece = Piece();
  if (ok_ && onRun_ && count_ > pieceFirst_) {
    memset(piece + used_, 0, kWriteTailUnits * sizeof(WCHAR));
    blocks_.clear();
    for (const WCHAR* p = piece; blocks_.size() < count_ - pieceFirst_; p += p[0] + 2) blocks_.push_back(p);
    ok_ = onRun_(TABLE_RUN{blocks_.data(), static_cast<const ENTRY_MARKS*>(marks_.Data) + pieceFirst_,
                           (int)blocks_.size(), (LONG)pieceFirst_, written_});
  }
  size_t bytes = used_ * sizeof(WCHAR);
  TableHashUpdate(&hash_, piece, bytes);
  ok_ = ok_ && WriteAll(file_.File, piece, bytes);
  written_ += used_;
  used_ = 0;
  pieceFirst_ = count_;
  return ok_;
}

WCHAR* TableWriter::Room()
{
  if (kWritePieceUnits - used_ < ENTRY_BLOCK_MAX_UNITS && !Flush()) return nullptr;
  return Piece() + used_;
}

bool TableWriter::Add(size_t units, ENTRY_MARKS marks)
{
  if (count_ >= capacity_) return false;
  static_cast<ENTRY_MARKS*>(marks_.Data)[count_++] = marks;
  used_ += units;
  return ok_;
}

bool TableWriter::Finish(const DATABASE_STAMP& stamp, int status, const WCHAR name[WORD_LIST_NAME_UNITS])
{
  if (count_ == 0) ok_ = false;  // a database with no entry keeps no table
  if (ok_ && kWritePieceUnits - used_ < ENTRY_TABLE_SLACK) Flush();
  if (ok_) {
    memset(Piece() + used_, 0, ENTRY_TABLE_SLACK * sizeof(WCHAR));
    used_ += ENTRY_TABLE_SLACK;
    Flush();
  }
  const size_t arenaBytes = written_ * sizeof(WCHAR), markBytes = count_ * sizeof(ENTRY_MARKS);
  const FILE_PART rest[] = {{kZeros, Padded(arenaBytes) - arenaBytes},
                            {marks_.Data, markBytes},
                            {kZeros, Padded(markBytes) - markBytes}};
  for (const FILE_PART& part : rest) {
    if (!ok_) break;
    TableHashUpdate(&hash_, part.Data, part.Bytes);
    ok_ = WriteAll(file_.File, part.Data, part.Bytes);
  }
  if (ok_ && TableBytes(count_, written_) >= INVALID_FILE_SIZE) ok_ = false;
  if (ok_) {
    TABLE_HEADER header = MakeHeader(stamp, status, count_, written_, name, TableHashDigest(&hash_));
    ok_ = SetFilePointer(file_.File, 0, nullptr, FILE_BEGIN) == 0 && WriteAll(file_.File, &header, sizeof header);
  }
  bool placed = FinishFileInPlace(&file_, ok_);
  Abandon();
  return placed;
}

void TableWriter::Abandon()
{
  if (file_.File != INVALID_HANDLE_VALUE) FinishFileInPlace(&file_, false);
  FreeLargeBlock(&piece_);
  FreeLargeBlock(&marks_);
}

// Writers of path that were ended before they finished (a lookup interrupted while it kept a
// new table) leave path.PID.new behind, a table's worth of disk that nothing would remove. A
// writer that begins removes each one whose process is gone and which has not been written
// for ten seconds (a process of another system sharing the folder may still be writing it),
// and one of its own process id, which can only be left over: it would stop its own writing.
static void RemoveAbandonedFiles(const std::u16string& path)
{
  const std::u16string pattern = path + u".*.new";
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  size_t slash = path.find_last_of(u"/\\");
  const std::u16string folder = slash == std::u16string::npos ? u"" : path.substr(0, slash + 1);
  const size_t prefix = path.size() - folder.size() + 1, suffix = 4;  // "name." and ".new"
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto units = [](const FILETIME& t) { return (uint64_t)t.dwHighDateTime << 32 | t.dwLowDateTime; };
  const uint64_t quiet = 10ULL * 10000000;  // ten seconds in 100 ns units
  do {
    std::u16string name = found.cFileName;
    if (name.size() <= prefix + suffix || name.size() > prefix + suffix + 10) continue;
    uint64_t id = 0;
    bool digits = true;
    for (size_t i = prefix; i < name.size() - suffix; i++) {
      digits = digits && name[i] >= u'0' && name[i] <= u'9';
      id = id * 10 + (name[i] - u'0');
    }
    if (!digits || id > 0xFFFFFFFFu) continue;
    bool abandoned = id == GetCurrentProcessId();
    if (!abandoned && units(now) - units(found.ftLastWriteTime) >= quiet) {
      HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, (DWORD)id);
      abandoned = !process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
      if (process) CloseHandle(process);
    }
    if (abandoned) DeleteFileW((folder + name).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

bool BeginFileInPlace(const WCHAR* path, FILE_IN_PLACE* place)
{
  RemoveAbandonedFiles(path);
  WCHAR number[16];
  wsprintfW(number, u"%lu", (unsigned long)GetCurrentProcessId());
  place->Path = path;
  place->Temporary = place->Path + u"." + number + u".new";
  place->File = CreateFileW(place->Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return place->File != INVALID_HANDLE_VALUE;
}

bool FinishFileInPlace(FILE_IN_PLACE* place, bool written)
{
  if (place->File == INVALID_HANDLE_VALUE) return false;
  if (!CloseHandle(place->File)) written = false;
  place->File = INVALID_HANDLE_VALUE;
  if (written && MoveFileExW(place->Temporary.c_str(), place->Path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(place->Temporary.c_str());
  return false;
}

bool WriteFileInPlace(const WCHAR* path, const FILE_PART* parts, int count)
{
  FILE_IN_PLACE place;
  if (!BeginFileInPlace(path, &place)) return false;
  bool written = true;
  for (int k = 0; written && k < count; k++) written = WriteAll(place.File, parts[k].Data, parts[k].Bytes);
  return FinishFileInPlace(&place, written);
}
