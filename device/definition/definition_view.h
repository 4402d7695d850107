// The word definition view: the upper panel of the main window. It shows short
// instructions, or the selected entry laid out for reading, and keeps the headword and
// pronunciation of the entry shown for the copy commands.
#pragma once

#include "platform/windows.h"

#define COPY_TEXT_UNITS 260

// The headword and the pronunciation (without brackets) of the entry last painted;
// empty until a word is shown and after every search.
extern WCHAR WordText[COPY_TEXT_UNITS];
extern WCHAR PronunciationText[COPY_TEXT_UNITS];

// The frame window's paint procedure: draws SelectedEntry, or the instructions when it
// is -1, into the frame's 224 x 127 off-screen image.
void PaintDefinitionView(HDC dc);

// Puts text on the clipboard as Unicode text; an empty text empties the clipboard. A
// clipboard that cannot be opened is left as it is.
void CopyToClipboard(const WCHAR* text);
