// Reads an 8-bit text file line by line through a buffer. A line ends at CR
// (with the LF after it, when there is one), at a lone LF, or at the end of
// the file; lines have no length limit.
#pragma once

#include "platform/windows.h"

struct LineReader {
  HANDLE file;
  BYTE* chunk;
  DWORD chunkLength;
  DWORD chunkPosition;
  BYTE* line;  // holds a line that straddles two chunks
  DWORD lineLength;
  DWORD lineCapacity;
  const BYTE* text;  // the last line read, without its end
  DWORD length;
  LONG consumed;  // bytes of the file taken so far, line ends included
};

// Takes over an open file (the caller closes it). 0 when out of memory.
int OpenLineReader(LineReader* reader, HANDLE file);
void CloseLineReader(LineReader* reader);

// 1: a line is in text/length (valid until the next call); 0: end of file,
// no further line; -1: a read failed or memory ran out.
int ReadLine(LineReader* reader);
