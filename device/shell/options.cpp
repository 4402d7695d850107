#include "device/shell/options.h"

#include "device/shell/program_folder.h"

LONG Options[OPTION_COUNT];

#define OPTIONS_BYTES (OPTION_COUNT * 4)
// The options file's path keeps the one limit; its temporary, named after it with a
// longer ending, gets room for that ending.
#define OPTIONS_PATH_SIZE (MAX_PATH + 40)

// Program folder + name; 0 when it does not fit.
static int OptionsPath(WCHAR* path, const WCHAR* name) { return ProgramFolderPath(name, path); }

// The same for a temporary's name, in OPTIONS_PATH_SIZE units.
static int TemporaryPath(WCHAR* path, const WCHAR* name) {
  const WCHAR* folder = ProgramFolder();
  int folderLength = lstrlenW(folder);
  int nameLength = lstrlenW(name);
  if (folderLength + nameLength >= OPTIONS_PATH_SIZE) return 0;
  lstrcpyW(path, folder);
  lstrcpyW(path + folderLength, name);
  return 1;
}

void ReadOptions() {
  WCHAR path[OPTIONS_PATH_SIZE];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (OptionsPath(path, OPTIONS_FILE_NAME)) {
    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    for (int i = 0; i < OPTION_COUNT; i++) Options[i] = 0;
    WriteOptions();
    return;
  }

  // Byte for byte into the record: a short file leaves the bytes it does
  // not cover as they were.
  BYTE bytes[OPTIONS_BYTES];
  DWORD total = 0;
  while (total < OPTIONS_BYTES) {
    DWORD read = 0;
    if (!ReadFile(file, bytes + total, OPTIONS_BYTES - total, &read, nullptr) || read == 0) break;
    total += read;
  }
  CloseHandle(file);
  for (DWORD i = 0; i < total; i++) {
    DWORD field = (DWORD)Options[i / 4];
    int shift = (int)(i % 4) * 8;
    field = (field & ~((DWORD)0xFF << shift)) | ((DWORD)bytes[i] << shift);
    Options[i / 4] = (LONG)field;
  }
}

// The record goes into a file made new under a name no other run uses (never into
// whatever lies in the folder already, a planted link included), then replaces the file.
static HANDLE CreateTemporary(WCHAR* temporary) {
  static DWORD count;
  for (int attempt = 0; attempt < 100; attempt++) {
    WCHAR name[48];
    wsprintfW(name, OPTIONS_FILE_NAME u".%u-%u.new", (unsigned)GetCurrentProcessId(), (unsigned)count++);
    if (!TemporaryPath(temporary, name)) return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

int WriteOptions() {
  WCHAR path[OPTIONS_PATH_SIZE];
  WCHAR temporary[OPTIONS_PATH_SIZE];
  if (!OptionsPath(path, OPTIONS_FILE_NAME)) return 0;

  BYTE bytes[OPTIONS_BYTES];
  for (int i = 0; i < OPTIONS_BYTES; i++) bytes[i] = (BYTE)((DWORD)Options[i / 4] >> ((i % 4) * 8));

  HANDLE file = CreateTemporary(temporary);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes, OPTIONS_BYTES, &written, nullptr) && written == OPTIONS_BYTES;
  // The data must be on disk before the rename makes it the options file.
  ok = ok && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (ok) ok = MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING);
  if (!ok) {
    DeleteFileW(temporary);
    return 0;
  }
  return 1;
}

void SetOption(int index, LONG value) {
  if (index < 0 || index >= OPTION_COUNT) return;
  Options[index] = value;
  WriteOptions();
}

LONG GetOption(int index) {
  if (index < 0 || index >= OPTION_COUNT) return -1;
  return Options[index];
}
