// The search driver: from the Search action to a filled result list, and loading the
// active database with the screen reset around it.
#pragma once

#include "platform/windows.h"

// Entry index behind each result row, in row order (the engine's best-first order).
extern int* ResultEntries;
extern int ResultEntryCount;

// The Search action. -1 when no database is loaded, else 0.
int RunSearch();
// The search that follows the box as the user types: as RunSearch, but the text does not go
// into the box's list of earlier searches.
int RunSearchAsTyped();
// Makes a search in progress (called while it dispatches messages) list nothing and end as
// soon as its scan allows; nothing when none runs.
void CancelSearch();
// The search engine's sink: progress, one row per result, the end.
void OnSearchResult(int code, int length, const WCHAR* text);
// Loads the database named by CurrentDatabase and resets the search box, the result
// label and the saved choice. A file that turns out damaged or unreadable is reported
// and nothing of it stays loaded.
void SwitchDatabase();
// Empties the result entries (the database commands, before switching).
void ClearResultEntries();
// 1 from the start of a search until its end.
int SearchRunning();
// Runs once a search has ended (the main window's deferred database command).
void SetAfterSearch(void (*action)());
