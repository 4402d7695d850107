#include "installer/output_file.h"

#include <stdlib.h>
#include <string.h>

#define OUTPUT_BUFFER_BYTES 65536

static WCHAR* CopyWithSuffix(const WCHAR* path, const WCHAR* suffix) {
  int length = lstrlenW(path);
  int suffixLength = lstrlenW(suffix);
  WCHAR* copy = (WCHAR*)malloc((size_t)(length + suffixLength + 1) * sizeof(WCHAR));
  if (!copy) return nullptr;
  memcpy(copy, path, (size_t)length * sizeof(WCHAR));
  memcpy(copy + length, suffix, (size_t)(suffixLength + 1) * sizeof(WCHAR));
  return copy;
}

static void Release(OutputFile* output) {
  free(output->path);
  free(output->temporary);
  free(output->buffer);
  output->path = output->temporary = nullptr;
  output->buffer = nullptr;
}

int CreateOutputFile(OutputFile* output, const WCHAR* path) {
  memset(output, 0, sizeof(*output));
  output->file = INVALID_HANDLE_VALUE;
  output->path = CopyWithSuffix(path, u"");
  output->temporary = CopyWithSuffix(path, u".new");
  output->buffer = (BYTE*)malloc(OUTPUT_BUFFER_BYTES);
  if (output->path && output->temporary && output->buffer) {
    output->file = CreateFileW(output->temporary, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (output->file == INVALID_HANDLE_VALUE) {
    Release(output);
    return 0;
  }
  return 1;
}

static void Flush(OutputFile* output) {
  if (output->used == 0) return;
  DWORD written = 0;
  if (!output->failed &&
      (!WriteFile(output->file, output->buffer, output->used, &written, nullptr) ||
       written != output->used)) {
    output->failed = 1;
  }
  output->used = 0;
}

void WriteOutput(OutputFile* output, const void* bytes, DWORD count) {
  const BYTE* from = (const BYTE*)bytes;
  while (count > 0) {
    if (output->used == OUTPUT_BUFFER_BYTES) Flush(output);
    DWORD room = OUTPUT_BUFFER_BYTES - output->used;
    DWORD n = count < room ? count : room;
    memcpy(output->buffer + output->used, from, n);
    output->used += n;
    from += n;
    count -= n;
  }
}

void WriteOutputUnits(OutputFile* output, const WCHAR* units, DWORD count) {
  while (count > 0) {
    if (output->used + 2 > OUTPUT_BUFFER_BYTES) Flush(output);
    DWORD room = (OUTPUT_BUFFER_BYTES - output->used) / 2;
    DWORD n = count < room ? count : room;
    BYTE* to = output->buffer + output->used;
    for (DWORD i = 0; i < n; i++) {
      to[2 * i] = (BYTE)(units[i] & 0xFF);
      to[2 * i + 1] = (BYTE)(units[i] >> 8);
    }
    output->used += 2 * n;
    units += n;
    count -= n;
  }
}

void WriteOutputHead(OutputFile* output, LONG value) {
  Flush(output);
  BYTE bytes[4];
  for (int i = 0; i < 4; i++) bytes[i] = (BYTE)((DWORD)value >> (8 * i));
  DWORD written = 0;
  if (SetFilePointer(output->file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !WriteFile(output->file, bytes, 4, &written, nullptr) || written != 4) {
    output->failed = 1;
  }
}

int CommitOutputFile(OutputFile* output) {
  Flush(output);
  int ok = !output->failed;
  if (!CloseHandle(output->file)) ok = 0;
  output->file = INVALID_HANDLE_VALUE;
  if (ok && !MoveFileExW(output->temporary, output->path, MOVEFILE_REPLACE_EXISTING)) ok = 0;
  if (!ok) DeleteFileW(output->temporary);
  Release(output);
  return ok;
}

void AbandonOutputFile(OutputFile* output) {
  if (output->file != INVALID_HANDLE_VALUE) CloseHandle(output->file);
  output->file = INVALID_HANDLE_VALUE;
  if (output->temporary) DeleteFileW(output->temporary);
  Release(output);
}
