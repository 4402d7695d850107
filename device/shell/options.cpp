#include "device/shell/options.h"

#include "device/shell/program_folder.h"
#include "device/shell/replace_file.h"

LONG Options[OPTION_COUNT];

#define OPTIONS_BYTES (OPTION_COUNT * 4)
// Program folder + name; 0 when it does not fit.
static int OptionsPath(WCHAR* path, const WCHAR* name) { return ProgramFolderPath(name, path); }

void ReadOptions() {
  WCHAR path[MAX_PATH];
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

int WriteOptions() {
  BYTE bytes[OPTIONS_BYTES];
  for (int i = 0; i < OPTIONS_BYTES; i++) bytes[i] = (BYTE)((DWORD)Options[i / 4] >> ((i % 4) * 8));
  return ReplaceProgramFile(OPTIONS_FILE_NAME, bytes, OPTIONS_BYTES);
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
