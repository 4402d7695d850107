// The About page: the program's information text in a titled frame, the build number
// and a Close button, over the whole main window.
#pragma once

#include "platform/windows.h"

// The "About.." command; does nothing while the page is open.
void OpenAboutWindow();
// The Close button.
void CloseAboutWindow();
// The open page, or null.
HWND AboutWindow();
