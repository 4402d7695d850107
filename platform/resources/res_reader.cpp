// Reads a compiled .res file: the program's own resources, embedded in the executable.
#include <cstring>

#include "kernel/module.h"

namespace platform {
namespace {

bool ReadId(const BYTE* data, size_t end, size_t& at, ResourceId& id) {
  if (at + 2 > end) return false;
  WORD first;
  std::memcpy(&first, data + at, 2);
  if (first == 0xFFFF) {
    if (at + 4 > end) return false;
    std::memcpy(&id.id, data + at + 2, 2);
    id.numeric = true;
    at += 4;
    return true;
  }
  id.numeric = false;
  id.name.clear();
  for (;;) {
    if (at + 2 > end) return false;
    WORD c;
    std::memcpy(&c, data + at, 2);
    at += 2;
    if (c == 0) return true;
    id.name += (c >= u'a' && c <= u'z') ? char16_t(c - 32) : char16_t(c);
  }
}

}  // namespace

bool ParseResFile(const BYTE* data, size_t size, ResourceSet& out) {
  ResourceSet parsed;
  size_t at = 0;
  while (at + 8 <= size) {
    DWORD dataSize, headerSize;
    std::memcpy(&dataSize, data + at, 4);
    std::memcpy(&headerSize, data + at + 4, 4);
    if (headerSize < 16 || headerSize > size - at || dataSize > size - at - headerSize) return false;
    size_t headerEnd = at + headerSize;
    size_t cursor = at + 8;
    ResourceEntry e;
    if (!ReadId(data, headerEnd, cursor, e.type) || !ReadId(data, headerEnd, cursor, e.name)) return false;
    cursor = (cursor + 3) & ~size_t(3);
    if (cursor + 16 > headerEnd) return false;
    std::memcpy(&e.language, data + cursor + 6, 2);
    e.data = data + headerEnd;
    e.size = dataSize;
    if (!(e.type.numeric && e.type.id == 0)) parsed.entries.push_back(e);
    at = (headerEnd + dataSize + 3) & ~size_t(3);
  }
  out = std::move(parsed);
  return true;
}

}  // namespace platform
