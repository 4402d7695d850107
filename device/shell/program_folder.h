// The folder of the running program, with its trailing separator. Every data
// file of the handheld program is opened as this folder followed by a relative name.
#pragma once

#include <vector>

#include "platform/windows.h"

// Room for the folder text, terminator included.
#define PROGRAM_FOLDER_SIZE 520

// Sets the folder from the program's own module path: the path cut after its
// last '/' or '\' (which stays). A path without a separator stays whole.
void InitProgramFolder();

// The same for a given program path, e.g. \Program Files\Dict\dict.exe gives
// \Program Files\Dict\ . A path longer than the buffer leaves a folder in which
// nothing is found.
void SetProgramFolderFromFile(const WCHAR* programPath);

// The folder text; empty until InitProgramFolder or SetProgramFolder has run.
const WCHAR* ProgramFolder();

// Sets the folder explicitly (the --folder option, tests); a trailing '/' is
// added when the text ends without a separator. A text too long for the buffer
// leaves a folder in which nothing is found.
void SetProgramFolder(const WCHAR* folder);

// Program folder + name into path, a buffer of MAX_PATH units: the one path limit of
// every file the program opens. 0 (and an empty path) when it does not fit: a cut path
// names another file, so callers take it as "not found".
int ProgramFolderPath(const WCHAR* name, WCHAR* path);

// The path of name beside the running program's own file into path (MAX_PATH units), whatever
// the program folder was set to: the files that ship with the program. 0 when it does not fit.
int ProgramFilePath(const WCHAR* name, WCHAR* path);

// Reads at most limit bytes of the program folder's file name into bytes; false when it is
// missing or no regular file (a FIFO planted there never holds the caller).
bool ReadProgramFile(const WCHAR* name, DWORD limit, std::vector<char>* bytes);

// Nonzero when name (a file or a folder) is in the program folder.
int ProgramFileExists(const WCHAR* name);

// The library name from the program folder; null when it is missing or its path does not fit.
HMODULE LoadProgramLibrary(const WCHAR* name);

// The longest name of the files the program cannot do without (the databases).
#define PROGRAM_LONGEST_FILE u"cedict.gb.dat"

// Nonzero when the folder leaves room for every file the program cannot do without.
int ProgramFolderFits();
