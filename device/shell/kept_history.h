// The word history and the search box's earlier searches, kept in the settings file
// across runs.
#pragma once

// At most this many of each are kept: the newest.
#define KEPT_HISTORY_ITEMS 100

// Keeping is the user's choice (Options, off at first): while it is off nothing is stored
// or brought back, and the program starts with empty histories as it always did.
int KeepingHistory();
// Turns keeping on (storing what there is now) or off (forgetting what was stored).
void SetKeepingHistory(int on);

// Stores the newest words shown (with the database they belong to) and earlier searches
// in the settings file. Called whenever either changes, and after a database switch.
void KeepHistory();

// Brings back what KeepHistory stored, once the chosen database is loaded. A word whose
// index lies outside the table, or whose entry no longer starts with the headword kept
// with it, is dropped; none come back when another database is in use.
void RestoreKeptHistory();
