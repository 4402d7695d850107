// The handheld program's persistent settings: five signed 32-bit values kept in
// program folder + "vemora.opt", 20 bytes little-endian, no header.
#pragma once

#include "platform/windows.h"

#define OPTION_COUNT 5
#define OPTION_STARTED 0   // set to 1 at the end of every start-up
#define OPTION_DATABASE 3  // database last in use: 0 none, 1 Simplified, 2 Traditional
#define OPTIONS_FILE_NAME u"vemora.opt"

// All 0 until ReadOptions runs.
extern LONG Options[OPTION_COUNT];

// Reads the file once at start-up; a missing file is created with zeros.
// A shorter file fills only the bytes it covers; bytes past the 20th are ignored.
void ReadOptions();

// Replaces the file with the whole record: a complete new file is written
// beside it and renamed over it, so the old file stays whole when anything
// fails. 1 on success, 0 on failure.
int WriteOptions();

// Stores value at index (0 to 4) and writes the file at once. Other indices
// change nothing.
void SetOption(int index, LONG value);

// The stored value; -1 for any index outside 0 to 4 (-1 among them).
LONG GetOption(int index);
