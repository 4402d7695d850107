// How common each entry's headword is (HeadwordFrequency), kept beside the table
// (cedict.gb.dat.table.freq), so that a lookup with best matches first orders its results
// from these counts instead of reading the word-frequency list and searching it once for each
// headword (china's 4,324 headwords cost about 1.9 ms that way).
//
// The counts are used only while they were made from the table as it is (its header hash,
// size and entry count) and from the word-frequency list file as it is (the stamp a table
// keeps of its database: size, time written, file, and a hash of its first and last 4 KiB),
// their file's size adds up and the hash of the counts matches. Anything else and the
// lookup asks the list, as it does without them; they are made again after it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windows.h"

struct HEADWORD_COUNTS {
  const BYTE* View;        // null when none are in use
  const uint32_t* Counts;  // Counts[e]: entry e's
  size_t Count;
};

// Maps the counts kept for the database fileName's kept table when they hold (above); false,
// and counts->View null, when there are none that do. CloseHeadwordCounts frees them.
bool OpenHeadwordCounts(const WCHAR* fileName, HEADWORD_COUNTS* counts);
void CloseHeadwordCounts(HEADWORD_COUNTS* counts);

// Makes the counts of the database fileName's kept table when it has none that hold: the
// table's file read through and checked as a load checks it, each headword asked of the list
// read afresh. Best effort: nothing is kept without a list file or a kept table, in a folder
// that cannot be written, or when the list changed while they were made. True when it made them.
bool KeepHeadwordCounts(const WCHAR* fileName);
