// The installer's window: the banner, the steps panel and the four step buttons.
#pragma once

#include "platform/windows.h"

#define NT_REQUIRED u"This program requires Windows NT/2000/XP!"

// The program's entry: the window, then the message loop until the quit message, whose
// value is the exit code.
int InstallerMain(HINSTANCE instance, LPWSTR commandLine, int show);

// The entry's steps before the loop: the class, the window and its parts, placed and
// shown. 1 on success; 0 after the registration-failure message.
int CreateInstaller(HINSTANCE instance);
// Runs the message loop; the quit message's value.
int RunInstaller();
// Destroys the window (when still there) and frees the buttons, the caption bar and the
// panel. Safe to call more than once.
void DestroyInstaller();
