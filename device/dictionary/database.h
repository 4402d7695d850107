// The dictionary database: the converted word list on disk and in memory.
//
// File: a 32-bit little-endian line count (the header line included), then every
// line as UTF-16LE units followed by CR LF. Line 0 is the word list's header;
// line i + 1 is entry i.
//
// In memory each entry is one DictionaryEntry block of UTF-16 units:
//   unit 0        length L of the entry text (terminator not counted)
//   units 1 .. L  entry text: the line without its last unit, then '#', then the
//                 toneless key (the first bracket pair's content without digits:
//                 the pronunciation, not a cross-reference after it)
//   unit L + 1    0
// so 中国 [zhong1 guo2] /China/ is stored as 中国 [zhong1 guo2] /China#zhong guo.
#pragma once

#include "platform/windows.h"

typedef WCHAR DictionaryEntry;

struct ENTRY_TABLE {
  DictionaryEntry** Entries;  // Entries[i] points at entry i's length unit
  LONG Count;
};

// The loaded table; Count 0 when nothing is loaded. Owned by the loader:
// readers never free it, and it is valid until the next LoadDictionary.
extern ENTRY_TABLE EntryTable;

// The loader keeps every entry of one table back to back in a single block, in
// index order (Entries[i + 1] == Entries[i] + L + 2), followed by at least this
// many zero units. Scanners may read that far past any entry's terminator.
#define ENTRY_TABLE_SLACK 64

// The most units one entry block takes: the length unit, 65,535 units of text, the zero.
#define ENTRY_BLOCK_MAX_UNITS 65537

// Where the pronunciation of each entry starts, for the PinYin search: Open is
// the index of the first '[' in the entry text (MARK_NONE when there is none)
// and Hash the index of the first '#' after it. EntryMarks[i] belongs to entry i;
// it is valid as long as the table.
struct ENTRY_MARKS {
  WORD Open;
  WORD Hash;
};
#define MARK_NONE 0xFFFF
extern const ENTRY_MARKS* EntryMarks;

// Longest toneless key, '#' included, as the key buffer of 260 units allows.
#define MAX_KEY_UNITS 259

// How LoadDictionary brings in a kept table (table_file.h). TABLE_ON_DEMAND, the default:
// its file is read through to check it, and each page of its mapping is read in when a search
// first touches it, so a program that has just loaded it holds none of it. TABLE_AT_ONCE:
// mapped whole at once and checked in place, cheaper for a process that searches all of it
// right away and ends.
#define TABLE_ON_DEMAND 0
#define TABLE_AT_ONCE 1
void SetTableLoading(int how);

// Gives back the pages of a mapped table (a kept one) that searches have read in: they stay in
// the page cache, and the next search reads them in again. For a program left alone a while;
// a table in memory (a database just parsed) stays as it is.
void ReleaseDictionaryPages();

// Outcome of the last LoadDictionary.
#define LOAD_OK 0
#define LOAD_DAMAGED 1      // the file does not follow the layout; what was valid is loaded
#define LOAD_UNREADABLE 2   // the file could not be opened or read; the table is empty
#define LOAD_NO_MEMORY 3    // the table could not be allocated; the table is empty

// Reads the named database file from the program folder and replaces the table.
// A bad file never makes it read outside the file or a line; see LoadDictionaryStatus.
void LoadDictionary(const WCHAR* fileName);

// The outcome of the last LoadDictionary (LOAD_OK before the first).
int LoadDictionaryStatus();

// Parses a database image already in memory, replacing the table as LoadDictionary
// does. Returns the status; used by LoadDictionary and by tests.
int LoadDictionaryImage(const BYTE* image, DWORD size);

// Frees the table; the count becomes 0.
void FreeDictionary();

// The loaded word list's name for itself, so the edition in use can be shown:
// its header line without the leading '#', up to the first comma
// ("CC-CEDICT of 2026-01-04"). Empty when nothing is loaded.
#define WORD_LIST_NAME_UNITS 64
extern WCHAR WordListName[WORD_LIST_NAME_UNITS];

// Allocates L + 1 units with malloc, copies the text of entry index with its
// terminator into it and returns L; the caller frees the copy with free().
// An index outside the table gives *copy = nullptr and -1.
int CopyEntryText(int index, WCHAR** copy);
