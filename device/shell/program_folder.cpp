#include "device/shell/program_folder.h"

#include <cstring>

static WCHAR Folder[PROGRAM_FOLDER_SIZE];
// Set when the folder given did not fit: a cut folder is another folder, so nothing in it is used.
static bool FolderCut = false;

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
  FolderCut = length >= PROGRAM_FOLDER_SIZE;  // the platform gives the buffer size when it cut
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
  FolderCut = programPath && programPath[length] != 0;
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
  FolderCut = folder && folder[length] != 0;
  // An empty folder stays empty: paths are then relative to the current folder.
  if (length > 0 && Folder[length - 1] != u'/' && Folder[length - 1] != u'\\') Folder[length++] = u'/';
  Folder[length] = 0;
}

int ProgramFilePath(const WCHAR* name, WCHAR* path)
{
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  while (length > 0 && path[length - 1] != u'/' && path[length - 1] != u'\\') length--;
  size_t units = 0;
  while (name[units]) units++;
  if (length == 0 || length + units + 1 > MAX_PATH) return 0;
  std::memcpy(path + length, name, (units + 1) * sizeof(WCHAR));
  return 1;
}

int ProgramFolderPath(const WCHAR* name, WCHAR* path)
{
  path[0] = 0;
  if (FolderCut || !name) return 0;
  int folderLength = lstrlenW(Folder);
  int nameLength = lstrlenW(name);
  if (folderLength + nameLength >= MAX_PATH) return 0;
  memcpy(path, Folder, folderLength * sizeof(WCHAR));
  memcpy(path + folderLength, name, (nameLength + 1) * sizeof(WCHAR));
  return 1;
}

int ProgramFileExists(const WCHAR* name)
{
  WCHAR path[MAX_PATH];
  if (!ProgramFolderPath(name, path)) return 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return 1;
}

int ProgramFolderFits()
{
  WCHAR path[MAX_PATH];
  return ProgramFolderPath(PROGRAM_LONGEST_FILE, path);
}

bool ReadProgramFile(const WCHAR* name, DWORD limit, std::vector<char>* bytes) {
  bytes->clear();
  WCHAR path[MAX_PATH];
  if (!ProgramFolderPath(name, path)) return false;
  // Opening refuses anything but a regular file.
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->resize(limit);
  DWORD total = 0;
  while (total < limit) {
    DWORD read = 0;
    if (!ReadFile(file, bytes->data() + total, limit - total, &read, nullptr) || read == 0) break;
    total += read;
  }
  CloseHandle(file);
  bytes->resize(total);
  return true;
}
