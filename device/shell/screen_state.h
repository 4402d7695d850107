// The program-wide screen state that the search driver, the definition view and the
// main window share. The operations on it (menu marks, word history, font check) live
// with the main window's shell; these are only the values.
#pragma once

#include "platform/windows.h"

// The active database: 0 none, 1 Simplified (cedict.gb.dat), 2 Traditional (cedict.b5.dat).
extern int CurrentDatabase;
// The entry the definition view shows, -1 for none (it then shows its instructions).
extern int SelectedEntry;
// The search switches: 0 or 1, all 0 at every start, never saved.
extern int MatchWholeWord;
extern int MatchCase;
extern int PinYinPronunciation;
// Whether cedict.gb.dat and cedict.b5.dat were in the program folder at start-up.
extern int GbFilePresent;
extern int Big5FilePresent;
