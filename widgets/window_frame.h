// The frame of the toolkit's pop-up panels (message box, progress window): a coloured
// outer line and a white inner line along the client area.
#pragma once

#include "platform/windows.h"

// Navy-blue outer line on the handheld, grey in the installer.
void DrawWindowFrame(HWND window, HDC dc);
