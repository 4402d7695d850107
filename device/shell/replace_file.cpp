#include "device/shell/replace_file.h"

#include "device/shell/program_folder.h"

// The file's path keeps the one limit; its temporary, named after it with a longer
// ending, gets room for that ending.
#define TEMPORARY_PATH_SIZE (MAX_PATH + 40)
#define TEMPORARY_NAME_SIZE 64

static int TemporaryPath(WCHAR* path, const WCHAR* name) {
  const WCHAR* folder = ProgramFolder();
  int folderLength = lstrlenW(folder);
  int nameLength = lstrlenW(name);
  if (folderLength + nameLength >= TEMPORARY_PATH_SIZE) return 0;
  lstrcpyW(path, folder);
  lstrcpyW(path + folderLength, name);
  return 1;
}

// Made new (never whatever lies in the folder already, a planted link included).
static HANDLE CreateTemporary(const WCHAR* target, WCHAR* temporary) {
  static DWORD count;
  int targetLength = lstrlenW(target);
  if (targetLength + 24 >= TEMPORARY_NAME_SIZE) return INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100; attempt++) {
    WCHAR name[TEMPORARY_NAME_SIZE];
    lstrcpyW(name, target);
    wsprintfW(name + targetLength, u".%u-%u.new", (unsigned)GetCurrentProcessId(), (unsigned)count++);
    if (!TemporaryPath(temporary, name)) return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

int ReplaceProgramFile(const WCHAR* name, const BYTE* bytes, DWORD size) {
  WCHAR path[MAX_PATH];
  WCHAR temporary[TEMPORARY_PATH_SIZE];
  if (!ProgramFolderPath(name, path)) return 0;
  HANDLE file = CreateTemporary(name, temporary);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = size == 0 || (WriteFile(file, bytes, size, &written, nullptr) && written == size);
  // The data must be on disk before the rename makes it the file.
  ok = ok && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (ok) ok = MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING);
  if (!ok) {
    DeleteFileW(temporary);
    return 0;
  }
  return 1;
}
