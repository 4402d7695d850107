// Whole-file writes in the program folder that leave the old file whole when anything fails.
#pragma once

#include "platform/windows.h"

// Writes bytes into a file made new beside program folder + name, under a name no other
// run uses, then renames it over the file. 1 on success; 0 leaves the old file as it was.
int ReplaceProgramFile(const WCHAR* name, const BYTE* bytes, DWORD size);
