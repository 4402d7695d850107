// The toolkit's modal message box: a caption bar, a picture (handheld), the wrapped text
// and OK or Yes/No buttons. The caller waits inside while other windows keep running.
#pragma once

#include "platform/windows.h"

// Where the box takes its pictures from: bitmap 13465 (Yes/No) and 13466 (OK) of the
// picture library that the main window loaded. Null: no picture.
void SetMessageBoxPictureLibrary(HMODULE pictureLibrary);

// type % 10 == 2 gives Yes and No, anything else OK. Lines are separated by "\n" and
// longer lines wrap. Returns 2 for OK or Yes, 1 for No, 0 when closed with the caption
// bar's close box (or when the box or its owner is destroyed, or the program is asked to
// quit), and -1 at once without an owner (or with one that is no window) or while another
// box is open.
int ShowMessageBox(HWND owner, const WCHAR* text, int type);
