// The word list on a page of its own: every kept word with its pronunciation and
// definitions; a tap opens the whole entry, a tap-and-hold offers to remove the word.
#pragma once

#include "platform/windows.h"

// Tasks › Word List…; does nothing while the page is open.
void OpenWordListPage();
HWND WordListPageWindow();
// Where word i stands on the screen (false when not shown or scrolled out of sight).
bool WordListPagePoint(int word, POINT* screenPoint);
