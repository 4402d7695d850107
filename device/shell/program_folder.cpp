#include "device/shell/program_folder.h"

static WCHAR Folder[PROGRAM_FOLDER_SIZE];

// Cuts Folder after its last separator; both count: the handheld writes '\\', the desktop '/'.
static void CutAfterLastSeparator(int length)
{
  for (int i = length - 1; i >= 0; i--) {
    if (Folder[i] == u'\\' || Folder[i] == u'/') {
      Folder[i + 1] = 0;
      return;
    }
  }
}

void InitProgramFolder()
{
  DWORD length = GetModuleFileNameW(nullptr, Folder, PROGRAM_FOLDER_SIZE);
  if (length >= PROGRAM_FOLDER_SIZE) length = PROGRAM_FOLDER_SIZE - 1;
  Folder[length] = 0;
  CutAfterLastSeparator((int)length);
}

void SetProgramFolderFromFile(const WCHAR* programPath)
{
  int length = 0;
  while (programPath && programPath[length] && length < PROGRAM_FOLDER_SIZE - 1) {
    Folder[length] = programPath[length];
    length++;
  }
  Folder[length] = 0;
  CutAfterLastSeparator(length);
}

const WCHAR* ProgramFolder()
{
  return Folder;
}

void SetProgramFolder(const WCHAR* folder)
{
  int length = 0;
  // Leave room for an added separator and the terminator.
  while (folder && folder[length] && length < PROGRAM_FOLDER_SIZE - 2) {
    Folder[length] = folder[length];
    length++;
  }
  // An empty folder stays empty: paths are then relative to the current folder.
  if (length > 0 && Folder[length - 1] != u'/' && Folder[length - 1] != u'\\') Folder[length++] = u'/';
  Folder[length] = 0;
}
