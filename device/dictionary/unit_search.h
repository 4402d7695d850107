// Finding marker units in long UTF-16 texts, many units at a time where the
// processor allows. Reads only inside [from, to).
#pragma once

#include "platform/windows.h"

// The first x in [from, to) with *x equal to a, b or c, else to.
const WCHAR* FindAnyUnit(const WCHAR* from, const WCHAR* to, WCHAR a, WCHAR b, WCHAR c);
