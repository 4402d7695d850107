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

// A name beside path that no other run uses: the process number and a count, tried until
// one is free. The file is made new, so nothing found under the name (a link planted there,
// another run's file) is ever opened. Null when none can be made.
static WCHAR* CreateBeside(const WCHAR* path, const WCHAR* ending, HANDLE* file) {
  static DWORD count;
  for (int attempt = 0; attempt < 100; attempt++) {
    WCHAR suffix[48];
    wsprintfW(suffix, u".%u-%u%s", (unsigned)GetCurrentProcessId(), (unsigned)count++, ending);
    WCHAR* name = CopyWithSuffix(path, suffix);
    if (!name) return nullptr;
    HANDLE h = file ? CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)
                    : INVALID_HANDLE_VALUE;
    if (file && h != INVALID_HANDLE_VALUE) {
      *file = h;
      return name;
    }
    if (!file && GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
      return name;
    DWORD error = GetLastError();
    free(name);
    if (file && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
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
  output->buffer = (BYTE*)malloc(OUTPUT_BUFFER_BYTES);
  if (output->path && output->buffer) output->temporary = CreateBeside(path, u".new", &output->file);
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

int FinishOutputFile(OutputFile* output) {
  Flush(output);
  int ok = !output->failed;
  if (!CloseHandle(output->file)) ok = 0;
  output->file = INVALID_HANDLE_VALUE;
  if (!ok) {
    DeleteFileW(output->temporary);
    Release(output);
  }
  return ok;
}

int ReplaceWithOutputFiles(OutputFile* outputs, int count) {
  // Each file but the last keeps its older self under a second name until the last is in
  // place, so that a failure can put it back.
  WCHAR* kept[2] = {nullptr, nullptr};
  int had[2] = {0, 0};
  int replaced = 0;
  int ok = count >= 1 && count <= 2;
  for (int i = 0; ok && i < count - 1; i++) {
    had[i] = GetFileAttributesW(outputs[i].path) != INVALID_FILE_ATTRIBUTES;
    if (!had[i]) continue;
    kept[i] = CreateBeside(outputs[i].path, u".old", nullptr);
    if (!kept[i] || !CreateHardLinkW(kept[i], outputs[i].path, nullptr)) {
      free(kept[i]);
      kept[i] = nullptr;
      ok = 0;
    }
  }
  while (ok && replaced < count) {
    if (MoveFileExW(outputs[replaced].temporary, outputs[replaced].path, MOVEFILE_REPLACE_EXISTING)) replaced++;
    else ok = 0;
  }
  for (int i = 0; i < count && i < 2; i++) {
    if (!ok && i < replaced) {
      if (had[i]) MoveFileExW(kept[i], outputs[i].path, MOVEFILE_REPLACE_EXISTING);
      else DeleteFileW(outputs[i].path);
    }
    if (kept[i]) DeleteFileW(kept[i]);
    free(kept[i]);
    if (!ok && i >= replaced) DeleteFileW(outputs[i].temporary);
    Release(&outputs[i]);
  }
  return ok;
}

int CommitOutputFile(OutputFile* output) {
  if (!FinishOutputFile(output)) return 0;
  return ReplaceWithOutputFiles(output, 1);
}

void AbandonOutputFile(OutputFile* output) {
  if (output->file != INVALID_HANDLE_VALUE) CloseHandle(output->file);
  output->file = INVALID_HANDLE_VALUE;
  if (output->temporary) DeleteFileW(output->temporary);
  Release(output);
}
