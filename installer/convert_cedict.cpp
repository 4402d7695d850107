#include "installer/convert_cedict.h"

#include <stdlib.h>
#include <string.h>

#include "installer/cedict_source.h"
#include "installer/line_reader.h"
#include "installer/output_file.h"

static int EndsWithU8(const WCHAR* path) {
  int length = lstrlenW(path);
  return length >= 3 && path[length - 3] == u'.' && (path[length - 2] | 0x20) == u'u' &&
         path[length - 1] == u'8';
}

int IsCedictUtf8Source(const WCHAR* path) {
  if (EndsWithU8(path)) return 1;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  BYTE sample[8192];
  DWORD read = 0;
  if (!ReadFile(file, sample, sizeof(sample), &read, nullptr)) read = 0;
  CloseHandle(file);
  return LooksLikeCedictUtf8(sample, read);
}

// The folder of path (with its separator) followed by name; 0 when too long.
static int Beside(const WCHAR* path, const WCHAR* name, WCHAR* out) {
  int folder = lstrlenW(path);
  while (folder > 0 && path[folder - 1] != u'/' && path[folder - 1] != u'\\') folder--;
  if (folder + lstrlenW(name) >= CEDICT_PATH_SIZE) return 0;
  memcpy(out, path, (size_t)folder * sizeof(WCHAR));
  lstrcpyW(out + folder, name);
  return 1;
}

struct CedictWork {
  OutputFile outputs[2];  // Simplified, Traditional
  int open;
  WCHAR* wide;
  WCHAR* line;
  int capacity;
};

static int Reserve(CedictWork* work, DWORD units) {
  if ((DWORD)work->capacity >= units) return 1;
  int capacity = work->capacity ? work->capacity : 1024;
  while ((DWORD)capacity < units) capacity *= 2;
  WCHAR* wide = (WCHAR*)realloc(work->wide, (size_t)capacity * sizeof(WCHAR));
  if (wide) work->wide = wide;
  WCHAR* line = (WCHAR*)realloc(work->line, (size_t)capacity * sizeof(WCHAR));
  if (line) work->line = line;
  if (!wide || !line) return 0;
  work->capacity = capacity;
  return 1;
}

static const WCHAR LineEnd[2] = {u'\r', u'\n'};

static void WriteBoth(CedictWork* work, int variant, const WCHAR* units, int count) {
  OutputFile* output = &work->outputs[variant == CEDICT_TRADITIONAL ? 1 : 0];
  WriteOutputUnits(output, units, (DWORD)count);
  WriteOutputUnits(output, LineEnd, 2);
}

static void WriteHeaders(CedictWork* work, const CedictHeader* header) {
  WCHAR text[256];
  int length = FormatCedictHeader(header, CEDICT_SIMPLIFIED, text, 256);
  WriteBoth(work, CEDICT_SIMPLIFIED, text, length);
  length = FormatCedictHeader(header, CEDICT_TRADITIONAL, text, 256);
  WriteBoth(work, CEDICT_TRADITIONAL, text, length);
}

static const WCHAR* ConvertCedictLines(HANDLE source, LONG size, CedictWork* work,
                                       CedictConversion* result, const ConversionHooks* hooks) {
  LineReader reader;
  if (!OpenLineReader(&reader, source)) {
    CloseLineReader(&reader);
    return CONVERT_OUT_OF_MEMORY;
  }
  CedictHeader header;
  memset(&header, 0, sizeof(header));
  int headerWritten = 0;
  int position = 0;
  const WCHAR* failure = nullptr;
  for (int first = 1;; first = 0) {
    int got = ReadLine(&reader);
    if (got < 0) {
      failure = CONVERT_CANNOT_READ;
      break;
    }
    if (got == 0) break;
    const BYTE* text = reader.text;
    DWORD length = reader.length;
    if (first && length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
      text += 3;
      length -= 3;
    }
    if (!Reserve(work, length + 1)) {
      failure = CONVERT_OUT_OF_MEMORY;
      break;
    }
    int units = length ? MultiByteToWideChar(CP_UTF8, 0, (LPCSTR)text, (int)length, work->wide,
                                             work->capacity)
                       : 0;
    if (units < 0) units = 0;

    CedictEntry entry;
    if (units > 0 && work->wide[0] == u'#') {
      // Only the leading comment block describes the list.
      if (!headerWritten) ReadCedictHeaderLine(work->wide, units, &header);
    } else if (ParseCedictLine(work->wide, units, &entry)) {
      if (!headerWritten) {
        WriteHeaders(work, &header);
        headerWritten = 1;
      }
      int variants[2] = {CEDICT_SIMPLIFIED, CEDICT_TRADITIONAL};
      for (int v : variants) {
        int n = FormatCedictEntry(&entry, v, work->line, work->capacity);
        WriteBoth(work, v, work->line, n);
      }
      result->entries++;
    } else {
      int blank = 1;
      for (int i = 0; i < units && blank; i++) blank = work->wide[i] == u' ' || work->wide[i] == u'\t';
      if (!blank) result->skipped++;
    }
    if (work->outputs[0].failed || work->outputs[1].failed) {
      failure = CONVERT_CANNOT_WRITE;
      break;
    }
    int now = (int)((LONGLONG)reader.consumed * 100 / size);
    if (now > position && hooks && hooks->SetProgress) {
      position = now;
      hooks->SetProgress(hooks->context, now);
    }
  }
  CloseLineReader(&reader);
  if (!failure && result->entries == 0) failure = CEDICT_NO_ENTRIES;
  return failure;
}

int ConvertCedictSource(const WCHAR* path, const ConversionHooks* hooks, CedictConversion* result) {
  CedictConversion local;
  if (!result) result = &local;
  memset(result, 0, sizeof(*result));
  CedictWork work;
  memset(&work, 0, sizeof(work));
  const WCHAR* failure = nullptr;
  HANDLE source = INVALID_HANDLE_VALUE;
  int progressOpen = 0;
  DWORD sizeHigh = 0;
  DWORD size = 0;

  if (!Beside(path, u"cedict.gb.dat", result->simplifiedPath) ||
      !Beside(path, u"cedict.b5.dat", result->traditionalPath)) {
    failure = CONVERT_PATH_TOO_LONG;
    goto done;
  }
  source = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) {
    failure = CONVERT_CANNOT_OPEN;
    goto done;
  }
  size = GetFileSize(source, &sizeHigh);
  if (sizeHigh != 0 || size > 0x7FFFFFFF) {
    failure = size == INVALID_FILE_SIZE && sizeHigh == 0 ? CONVERT_CANNOT_READ : CONVERT_TOO_LARGE;
    goto done;
  }
  if (size == 0) {
    failure = CONVERT_EMPTY;
    goto done;
  }
  if (!CreateOutputFile(&work.outputs[0], result->simplifiedPath)) {
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  work.open = 1;
  if (!CreateOutputFile(&work.outputs[1], result->traditionalPath)) {
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  work.open = 2;

  if (hooks && hooks->OpenProgress) hooks->OpenProgress(hooks->context, CONVERTING_MESSAGE, 100);
  progressOpen = 1;
  {
    static const BYTE placeholder[4] = {0, 0, 0, 0};
    WriteOutput(&work.outputs[0], placeholder, 4);
    WriteOutput(&work.outputs[1], placeholder, 4);
  }
  failure = ConvertCedictLines(source, (LONG)size, &work, result, hooks);
  if (failure) goto done;
  WriteOutputHead(&work.outputs[0], result->entries + 1);
  WriteOutputHead(&work.outputs[1], result->entries + 1);
  // Both complete before either replaces an older database.
  if (work.outputs[0].failed || work.outputs[1].failed) {
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  // Both written whole, then both replaced, or neither.
  work.open = 0;
  if (!FinishOutputFile(&work.outputs[0])) {
    AbandonOutputFile(&work.outputs[1]);
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  if (!FinishOutputFile(&work.outputs[1])) {
    AbandonOutputFile(&work.outputs[0]);
    failure = CONVERT_CANNOT_WRITE;
    goto done;
  }
  if (!ReplaceWithOutputFiles(work.outputs, 2)) failure = CONVERT_CANNOT_WRITE;

done:
  for (int i = 0; i < work.open; i++) AbandonOutputFile(&work.outputs[i]);
  free(work.wide);
  free(work.line);
  if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
  if (progressOpen && hooks && hooks->CloseProgress) hooks->CloseProgress(hooks->context);
  if (failure) {
    if (hooks && hooks->Failed) hooks->Failed(hooks->context, failure);
    return 0;
  }
  if (hooks && hooks->Processed) hooks->Processed(hooks->context);
  return 1;
}
