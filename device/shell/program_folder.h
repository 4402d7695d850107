// The folder of the running program, with its trailing separator. Every data
// file of the handheld program is opened as this folder followed by a relative name.
#pragma once

#include "platform/windows.h"

// Room for the folder text, terminator included.
#define PROGRAM_FOLDER_SIZE 520

// Sets the folder from the program's own module path: the path cut after its
// last '/' or '\' (which stays). A path without a separator stays whole.
void InitProgramFolder();

// The same for a given program path, e.g. \Program Files\Dict\dict.exe gives
// \Program Files\Dict\ . Paths longer than the buffer are cut.
void SetProgramFolderFromFile(const WCHAR* programPath);

// The folder text; empty until InitProgramFolder or SetProgramFolder has run.
const WCHAR* ProgramFolder();

// Sets the folder explicitly (the --folder option, tests); a trailing '/' is
// added when the text ends without a separator. Texts too long are cut.
void SetProgramFolder(const WCHAR* folder);
