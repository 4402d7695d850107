#include "installer/line_reader.h"

#include <stdlib.h>
#include <string.h>

#define CHUNK_BYTES 65536

int OpenLineReader(LineReader* reader, HANDLE file) {
  memset(reader, 0, sizeof(*reader));
  reader->file = file;
  reader->chunk = (BYTE*)malloc(CHUNK_BYTES);
  return reader->chunk != nullptr;
}

void CloseLineReader(LineReader* reader) {
  free(reader->chunk);
  free(reader->line);
  reader->chunk = nullptr;
  reader->line = nullptr;
}

// 1 bytes available, 0 end of file, -1 read error.
static int Refill(LineReader* reader) {
  DWORD read = 0;
  if (!ReadFile(reader->file, reader->chunk, CHUNK_BYTES, &read, nullptr)) return -1;
  reader->chunkLength = read;
  reader->chunkPosition = 0;
  return read > 0 ? 1 : 0;
}

static int Keep(LineReader* reader, const BYTE* bytes, DWORD count) {
  if (count == 0) return 1;
  if (reader->lineLength + count > reader->lineCapacity) {
    DWORD capacity = reader->lineCapacity ? reader->lineCapacity : 512;
    while (capacity < reader->lineLength + count) capacity *= 2;
    BYTE* grown = (BYTE*)realloc(reader->line, capacity);
    if (!grown) return 0;
    reader->line = grown;
    reader->lineCapacity = capacity;
  }
  memcpy(reader->line + reader->lineLength, bytes, count);
  reader->lineLength += count;
  return 1;
}

int ReadLine(LineReader* reader) {
  reader->lineLength = 0;
  int kept = 0;  // the line so far lives in reader->line
  for (;;) {
    if (reader->chunkPosition == reader->chunkLength) {
      int filled = Refill(reader);
      if (filled < 0) return -1;
      if (filled == 0) {
        if (!kept) return 0;
        reader->text = reader->line;
        reader->length = reader->lineLength;
        return 1;
      }
    }
    const BYTE* start = reader->chunk + reader->chunkPosition;
    const BYTE* end = reader->chunk + reader->chunkLength;
    const BYTE* p = start;
    while (p < end && *p != '\r' && *p != '\n') p++;
    DWORD count = (DWORD)(p - start);
    reader->consumed += (LONG)count;
    reader->chunkPosition += count;
    if (p == end) {
      if (!Keep(reader, start, count)) return -1;
      kept = 1;
      continue;
    }

    BYTE ending = *p;
    reader->chunkPosition++;
    reader->consumed++;
    if (kept || (ending == '\r' && reader->chunkPosition == reader->chunkLength)) {
      // The look past the CR may refill the chunk under the line.
      if (!Keep(reader, start, count)) return -1;
      kept = 1;
    }
    if (ending == '\r') {
      if (reader->chunkPosition == reader->chunkLength && Refill(reader) < 0) return -1;
      if (reader->chunkPosition < reader->chunkLength &&
          reader->chunk[reader->chunkPosition] == '\n') {
        reader->chunkPosition++;
        reader->consumed++;
      }
    }
    if (kept) {
      reader->text = reader->line;
      reader->length = reader->lineLength;
    } else {
      reader->text = start;
      reader->length = count;
    }
    return 1;
  }
}
