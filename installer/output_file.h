// A file written through a buffer under a temporary name and renamed over its
// real name only when it is complete, so that a failure never leaves a cut
// file and an older file of that name stays as it was.
#pragma once

#include "platform/windows.h"

struct OutputFile {
  HANDLE file;
  WCHAR* path;       // the real name
  WCHAR* temporary;  // the name written to
  BYTE* buffer;
  DWORD used;
  int failed;
};

// 0 when the temporary file cannot be created (nothing is left behind).
int CreateOutputFile(OutputFile* output, const WCHAR* path);
void WriteOutput(OutputFile* output, const void* bytes, DWORD count);
// UTF-16 units, little-endian.
void WriteOutputUnits(OutputFile* output, const WCHAR* units, DWORD count);
// Writes a 32-bit little-endian value at the start of the file (over a placeholder).
void WriteOutputHead(OutputFile* output, LONG value);
// Closes the file and renames it over the real name; 1 when every write and
// the rename succeeded, else 0 and the temporary file is removed.
int CommitOutputFile(OutputFile* output);
// Closes and removes the temporary file.
void AbandonOutputFile(OutputFile* output);
