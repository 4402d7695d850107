// A library from the program folder. Apart from the folder's other services: loading a library
// needs the platform's library loader, which a lookup on the command line does without.
#include "device/shell/program_folder.h"

HMODULE LoadProgramLibrary(const WCHAR* name)
{
  WCHAR path[MAX_PATH];
  if (!ProgramFolderPath(name, path)) return nullptr;
  return LoadLibraryW(path);
}
