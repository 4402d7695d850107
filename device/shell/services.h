// Small services the whole handheld program shares: help pages, interface sounds, letting
// waiting messages through during long work, and ending at once.
#pragma once

#include "platform/windows.h"

// Opens program folder + relativeName with the shell's "open" verb, its error box
// suppressed. A path longer than the platform's limit is not opened.
void OpenHelpPage(HWND owner, const WCHAR* relativeName);

// Plays program folder + "res/<number>.wav" asynchronously; the platform's result (0 when
// the file is missing or the path too long), which callers ignore.
int PlayUiSound(int number);

// Dispatches every message waiting in the queue, then gives up the rest of the time slice.
// A quit message met on the way stays queued for the program's own loop.
void PumpMessages();

// Ends the program at once with exit code 0: no window is destroyed, nothing is saved.
// What the platform must leave behind (a requested end-of-run snapshot) is written first.
[[noreturn]] void EndProcess();
