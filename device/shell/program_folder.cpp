#include "device/shell/program_folder.h"

static WCHAR Folder[PROGRAM_FOLDER_SIZE];

void InitProgramFolder()
{
  DWORD length = GetModuleFileNameW(nullptr, Folder, PROGRAM_FOLDER_SIZE);
  if (length >= PROGRAM_FOLDER_SIZE) length = PROGRAM_FOLDER_SIZE - 1;
  Folder[length] = 0;
  // Both separators count: the handheld writes '\', the desktop '/'.
  for (int i = (int)length - 1; i >= 0; i--) {
    if (Folder[i] == u'\\' || Folder[i] == u'/') {
      Folder[i + 1] = 0;
      break;
    }
  }
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
