// The whole entry on a page of its own: headword in both scripts, pronunciation and
// every sense, numbered; a reference to another entry inside a sense opens that entry.
#pragma once

#include <string>

#include "platform/windows.h"

// Opens the page for entry index of the loaded table (a tap on the definition panel).
void OpenEntryPage(int entry);
// Opens it for an entry's text that the table may not hold (a kept word).
void OpenEntryPageText(const std::u16string& text);
// The open page's window, or null; the entry it shows (-1 for a text not in the table).
HWND EntryPageWindow();
int EntryPageEntry();
// Scrolled pixels, and the content's height; 0 when closed.
int EntryPageScroll();
int EntryPageHeight();
// Where link n of the page stands on the screen (false when there is no such link or it
// is scrolled out of sight).
bool EntryPageLinkPoint(int link, POINT* screenPoint);
