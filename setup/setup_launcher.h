// The setup launcher: hands the handheld program's package description to the desktop
// link's application manager, found through the registry, and ends without waiting.
#pragma once

#include "platform/windows.h"

// The program entry: `commandLine` is the launcher's own arguments. Always returns 0.
int SetupLauncherMain(HINSTANCE instance, LPWSTR commandLine, int show);
