#include "device/dictionary/database.h"

#include <cstdlib>
#include <cstring>

#include "device/dictionary/large_block.h"
#include "device/dictionary/unit_search.h"
#include "device/shell/program_folder.h"

ENTRY_TABLE EntryTable = {nullptr, 0};

// The pointer array and, after it, every entry of the table (see ENTRY_TABLE_SLACK).
static LARGE_BLOCK TableBlock;
static int LastStatus = LOAD_OK;

void FreeDictionary()
{
  FreeLargeBlock(&TableBlock);
  EntryTable.Entries = nullptr;
  EntryTable.Count = 0;
}

int LoadDictionaryStatus()
{
  return LastStatus;
}

static bool IsDigit(WCHAR c)
{
  return c >= u'0' && c <= u'9';
}

// Finds the first CR at or after pos; notes the last complete bracket pair on
// the way. A '[' whose ']' does not come before the line's end forms no pair.
static size_t ScanLine(const WCHAR* units, size_t pos, size_t end, size_t* open, size_t* close)
{
  const WCHAR* x = units + pos;
  const WCHAR* limit = units + end;
  for (;;) {
    x = FindEitherUnit(x, limit, 13, u'[');
    if (x == limit || *x == 13) return (size_t)(x - units);
    const WCHAR* k = FindEitherUnit(x + 1, limit, u']', 13);
    if (k == limit || *k == 13) {
      x = k;
      continue;
    }
    *open = (size_t)(x - units);
    *close = (size_t)(k - units);
    x = k + 1;
  }
}

int LoadDictionaryImage(const BYTE* image, DWORD size)
{
  FreeDictionary();
  int status = LOAD_OK;
  if (!image || size < 4) return LastStatus = LOAD_DAMAGED;

  int32_t lineCount;
  memcpy(&lineCount, image, 4);
  if (size & 1) status = LOAD_DAMAGED;  // the odd last byte belongs to no unit
  size_t total = (size - 4) / 2;

  // The units are read in place when they are aligned, else from a copy.
  WCHAR* aligned = nullptr;
  const WCHAR* units = reinterpret_cast<const WCHAR*>(image + 4);
  if (reinterpret_cast<uintptr_t>(units) % alignof(WCHAR) != 0) {
    aligned = static_cast<WCHAR*>(malloc(total * sizeof(WCHAR) + 1));
    if (!aligned) return LastStatus = LOAD_NO_MEMORY;
    memcpy(aligned, image + 4, total * sizeof(WCHAR));
    units = aligned;
  }

  if (lineCount < 1) {
    free(aligned);
    return LastStatus = LOAD_DAMAGED;
  }

  // The header line ends at its LF.
  size_t pos = 0;
  while (pos < total && units[pos] != 10) pos++;
  if (pos == total) {
    free(aligned);
    return LastStatus = LOAD_DAMAGED;
  }
  pos++;

  // A damaged count must not size the tables: every line holds at least its CR.
  size_t wanted = (size_t)lineCount - 1;
  size_t remaining = total - pos;
  size_t capacity = wanted < remaining ? wanted : remaining;

  // An entry block (length, text, key, terminator) never exceeds three times
  // the units its line takes in the file (an empty line: one CR, three units).
  size_t arenaUnits = 3 * remaining + ENTRY_TABLE_SLACK;
  if (!AllocLargeBlock(&TableBlock, capacity * sizeof(DictionaryEntry*) + arenaUnits * sizeof(WCHAR))) {
    WCHAR trace[64];
    wsprintfW(trace, u"ERROR @ %d ##########################\n", 0);
    OutputDebugStringW(trace);
    free(aligned);
    return LastStatus = LOAD_NO_MEMORY;
  }
  EntryTable.Entries = static_cast<DictionaryEntry**>(TableBlock.Data);
  WCHAR* arena = reinterpret_cast<WCHAR*>(EntryTable.Entries + capacity);

  WCHAR* out = arena;
  size_t loaded = 0;
  while (loaded < capacity) {
    if (pos >= total) break;
    size_t open = 0, close = 0;
    size_t cr = ScanLine(units, pos, total, &open, &close);
    if (cr >= total) break;  // a last line cut before its CR is not an entry

    size_t j = cr - pos;
    // The line's last unit (its closing '/') gives way to '#'; an empty line
    // has none, so its text is '#' and the key alone.
    size_t kept = j > 0 ? j - 1 : 0;
    size_t keyUnits = 0;
    WCHAR* entry = out;
    WCHAR* key = entry + 1 + kept;
    key[0] = u'#';
    if (close > open) {
      for (size_t k = open + 1; k < close && keyUnits < MAX_KEY_UNITS - 1; k++)
        if (!IsDigit(units[k])) key[1 + keyUnits++] = units[k];
    }
    // The length unit holds 16 bits: an overlong line keeps what fits.
    size_t maxKept = 65535 - 1 - keyUnits;
    if (kept > maxKept) {
      kept = maxKept;
      key = entry + 1 + kept;
      memmove(key, entry + 1 + (j - 1), (1 + keyUnits) * sizeof(WCHAR));
      status = LOAD_DAMAGED;
    }
    // Copy the line after the key so a moved key is never overwritten.
    memcpy(entry + 1, units + pos, kept * sizeof(WCHAR));
    size_t length = kept + 1 + keyUnits;
    entry[0] = (WCHAR)length;
    entry[1 + length] = 0;
    EntryTable.Entries[loaded++] = entry;
    out = entry + length + 2;

    pos = cr + 1;
    if (pos < total && units[pos] == 10)
      pos++;
    else
      status = LOAD_DAMAGED;  // a CR without its LF
  }
  EntryTable.Count = (LONG)loaded;
  memset(out, 0, ENTRY_TABLE_SLACK * sizeof(WCHAR));

  if (loaded < wanted || pos < total) status = LOAD_DAMAGED;
  free(aligned);
  return LastStatus = status;
}

void LoadDictionary(const WCHAR* fileName)
{
  FreeDictionary();
  WCHAR path[MAX_PATH];
  int folderLength = lstrlenW(ProgramFolder());
  int nameLength = lstrlenW(fileName);
  if (folderLength + nameLength >= MAX_PATH) {
    LastStatus = LOAD_UNREADABLE;
    return;
  }
  lstrcpyW(path, ProgramFolder());
  lstrcatW(path, fileName);

  HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LastStatus = LOAD_UNREADABLE;
    return;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0) {
    CloseHandle(file);
    LastStatus = LOAD_UNREADABLE;
    return;
  }
  LARGE_BLOCK image;
  BYTE* buffer = AllocLargeBlock(&image, size) ? static_cast<BYTE*>(image.Data) : nullptr;
  if (!buffer) {
    CloseHandle(file);
    LastStatus = LOAD_NO_MEMORY;
    return;
  }
  DWORD done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!ReadFile(file, buffer + done, size - done, &got, nullptr) || got == 0) break;
    done += got;
  }
  CloseHandle(file);
  if (done < size) {
    FreeLargeBlock(&image);
    LastStatus = LOAD_UNREADABLE;
    return;
  }
  LoadDictionaryImage(buffer, size);
  FreeLargeBlock(&image);
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
