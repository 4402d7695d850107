// The texts that the search driver shows: the trimmed query, the two columns
// of a result row and the result count.
#pragma once

#include "platform/windows.h"

// Row text buffers hold this many units, terminator included; longer texts are cut.
#define ROW_TEXT_SIZE 256
// Room for any result count text, terminator included.
#define COUNT_TEXT_SIZE 48

// Removes leading and trailing U+0020 from text in place (inner spaces stay)
// and returns the new length. A text of spaces only becomes empty.
int TrimQuery(WCHAR* text);

// The left column: the units before the first '/' or '[' searched from the
// second unit on (the whole text when there is neither). Returns the length.
int HeadwordRowText(const WCHAR* text, int length, WCHAR* out);

// The right column: the definitions from the unit after the first '/' up to the
// '#' that ends them, without up to two leading "(...) " notes (kept when
// nothing else follows them), each '/' written as ", ". Returns the length.
int DefinitionRowText(const WCHAR* text, int length, WCHAR* out);

// Room for a row text in UTF-8 as the two functions below write it.
#define ROW_UTF8_SIZE (3 * ROW_TEXT_SIZE)

// HeadwordRowText and DefinitionRowText in UTF-8, written straight from the entry's text into
// out (ROW_UTF8_SIZE bytes), many units at a time: the bytes written, or -1 for a row they
// leave to the general way (a text cut at ROW_TEXT_SIZE - 1 units, or one holding a surrogate).
int HeadwordRowUtf8(const WCHAR* text, int length, char* out);
int DefinitionRowUtf8(const WCHAR* text, int length, char* out);

// "(%d seach results)", "(One search result)" or "(No search results)".
int ResultCountText(int count, WCHAR* out);

// The count when the query was also searched in the database's own script, with that text
// (cut to its first 12 units): "(12 found as 學習)".
int ConvertedCountText(int count, const WCHAR* converted, WCHAR* out);
