#include "installer/convert_dictionary.h"

#include <stdlib.h>

#include "installer/line_reader.h"
#include "installer/output_file.h"

WCHAR ConvertedFilePath[MAX_PATH];

static const ConversionHooks* InstalledHooks;

void SetConversionHooks(const ConversionHooks* hooks) { InstalledHooks = hooks; }

int ConvertDictionary(WCHAR* path) { return ConvertDictionaryWith(path, InstalledHooks); }

UINT ConversionCodePage(const WCHAR* path) {
  int length = lstrlenW(path);
  return length > 0 && path[length - 1] == u'5' ? 950 : 936;
}

static const WCHAR LineEnd[2] = {u'\r', u'\n'};

// Converts the lines of an open source into output; 0 or a failure text.
static const WCHAR* ConvertLines(HANDLE source, LONG size, UINT codePage, OutputFile* output,
                                 LONG* lines, const ConversionHooks* hooks) {
  LineReader reader;
  if (!OpenLineReader(&reader, source)) {
    CloseLineReader(&reader);
    return CONVERT_OUT_OF_MEMORY;
  }
  // Each byte gives at most one unit in these code pages.
  int wideCapacity = 512;
  WCHAR* wide = (WCHAR*)malloc(wideCapacity * sizeof(WCHAR));
  const WCHAR* failure = wide ? nullptr : CONVERT_OUT_OF_MEMORY;

  LONG count = 0;
  while (!failure) {
    int got = ReadLine(&reader);
    if (got < 0) {
      failure = CONVERT_CANNOT_READ;
      break;
    }
    if (got == 0) break;
    count++;
    int units = 0;
    if (reader.length > 0) {
      if ((DWORD)wideCapacity < reader.length + 1) {
        WCHAR* grown = (WCHAR*)realloc(wide, (size_t)(reader.length + 1) * sizeof(WCHAR));
        if (!grown) {
          failure = CONVERT_OUT_OF_MEMORY;
          break;
        }
        wide = grown;
        wideCapacity = (int)reader.length + 1;
      }
      // A line that does not convert is written empty but still counted.
      units = MultiByteToWideChar(codePage, 0, (LPCSTR)reader.text, (int)reader.length, wide,
                                  wideCapacity);
      if (units < 0) units = 0;
    }
    WriteOutputUnits(output, wide, (DWORD)units);
    WriteOutputUnits(output, LineEnd, 2);
    if (output->failed) failure = CONVERT_CANNOT_WRITE;
    // Progress only at these moments keeps the window's 10 ms pauses rare.
    if (reader.consumed % 500 == 0 && hooks && hooks->SetProgress) {
      hooks->SetProgress(hooks->context, (int)((LONGLONG)reader.consumed * 100 / size));
    }
  }
  free(wide);
  CloseLineReader(&reader);
  *lines = count;
  return failure;
}

int ConvertDictionaryWith(WCHAR* path, const ConversionHooks* hooks) {
  const WCHAR* failure = nullptr;
  UINT codePage = ConversionCodePage(path);
  int pathLength = lstrlenW(path);
  WCHAR target[MAX_PATH];
  HANDLE source = INVALID_HANDLE_VALUE;
  OutputFile output;
  int outputOpen = 0;
  int progressOpen = 0;
  DWORD sizeHigh = 0;
  DWORD size = 0;
  LONG lines = 0;

  if (pathLength + 4 >= MAX_PATH) {
    failure = CONVERT_PATH_TOO_LONG;
    goto done;
  }
  lstrcpyW(target, path);
  lstrcatW(target, u".dat");

  source = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) {
    failure = CONVERT_CANNOT_OPEN;
    goto done;
  }
  size = GetFileSize(source, &sizeHigh);
  if (size == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
    failure = CONVERT_CANNOT_READ;
    goto done;
  }
  // The consumed count is a signed 32-bit number.
  if (sizeHigh != 0 || size > 0x7FFFFFFF) {
    failure = CONVERT_TOO_LARGE;
    goto done;
  }
  if (size == 0) {
    failure = CONVERT_EMPTY;
    goto done;
  }

  if (!CreateOutputFile(&output, target)) {
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  outputOpen = 1;

  if (hooks && hooks->OpenProgress) hooks->OpenProgress(hooks->context, CONVERTING_MESSAGE, 100);
  progressOpen = 1;

  {
    static const BYTE placeholder[4] = {0, 0, 0, 0};
    WriteOutput(&output, placeholder, 4);
  }
  failure = ConvertLines(source, (LONG)size, codePage, &output, &lines, hooks);
  if (failure) goto done;
  WriteOutputHead(&output, lines);
  outputOpen = 0;
  if (!CommitOutputFile(&output)) {
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }

  lstrcpyW(path, target);
  lstrcpyW(ConvertedFilePath, target);

done:
  if (outputOpen) AbandonOutputFile(&output);
  if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
  if (progressOpen && hooks && hooks->CloseProgress) hooks->CloseProgress(hooks->context);
  if (failure) {
    if (hooks && hooks->Failed) hooks->Failed(hooks->context, failure);
    return 0;
  }
  if (hooks && hooks->Processed) hooks->Processed(hooks->context);
  return 1;
}
