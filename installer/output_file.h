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

// 0 when the temporary file cannot be created (nothing is left behind). The temporary file
// is made new beside path, under a name no other run uses.
int CreateOutputFile(OutputFile* output, const WCHAR* path);
void WriteOutput(OutputFile* output, const void* bytes, DWORD count);
// UTF-16 units, little-endian.
void WriteOutputUnits(OutputFile* output, const WCHAR* units, DWORD count);
// Writes a 32-bit little-endian value at the start of the file (over a placeholder).
void WriteOutputHead(OutputFile* output, LONG value);
// Closes the file and renames it over the real name; 1 when every write and
// the rename succeeded, else 0 and the temporary file is removed.
int CommitOutputFile(OutputFile* output);
// Closes the file; 1 when every write succeeded, else 0 and it is removed (and released).
int FinishOutputFile(OutputFile* output);
// Renames one or two finished files over their real names, all or none: when one cannot
// be replaced, those already replaced get their older files back. Releases every output.
int ReplaceWithOutputFiles(OutputFile* outputs, int count);
// Closes and removes the temporary file.
void AbandonOutputFile(OutputFile* output);
