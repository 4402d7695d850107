// Chinese text from one script into the other, phrase by phrase, with the system's OpenCC.
// The library is opened on the first conversion, so a process that never converts never
// loads it; without it (or without its tables) every conversion reports -1 and callers go on
// with the text as typed.
#pragma once

#include "platform/windows.h"

#define SCRIPT_TO_TRADITIONAL 0
#define SCRIPT_TO_SIMPLIFIED 1

// Converts length units of text (UTF-16) in the given direction into out, terminated; at
// most outSize - 1 units. Returns the converted length, or -1 when conversion is unavailable,
// the text is no valid UTF-16, or the result does not fit.
int ConvertScript(const WCHAR* text, int length, int direction, WCHAR* out, int outSize);

// 1 when the converter of that direction could be opened (opens it when not yet tried).
int ScriptConversionAvailable(int direction);
