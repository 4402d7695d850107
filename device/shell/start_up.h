// The handheld program's entry: single instance, program folder, options, the main
// window above the menu bar, and the message loop.
#pragma once

#include "platform/windows.h"

int DictionaryMain(HINSTANCE instance, LPWSTR commandLine, int show);

// The instance initialisation; false when another instance runs (it comes to the front)
// or the main window cannot be made.
BOOL InitInstance(HINSTANCE instance, int show);
