// Local and global memory blocks. Blocks carry their size in a small header so
// GlobalSize works and a clipboard owner can copy them.
#include <cstdlib>
#include <cstring>

#include "platform/winbase.h"

namespace {
struct alignas(16) Header {
  SIZE_T size;
  SIZE_T magic;
};
constexpr SIZE_T kMagic = 0x4D454D4F524C4E44ull;

Header* HeaderOf(HANDLE memory) {
  if (!memory) return nullptr;
  Header* h = static_cast<Header*>(memory) - 1;
  return h->magic == kMagic ? h : nullptr;
}

HANDLE Allocate(UINT flags, SIZE_T bytes, bool zero) {
  auto* h = static_cast<Header*>(std::malloc(sizeof(Header) + (bytes ? bytes : 1)));
  if (!h) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  h->size = bytes;
  h->magic = kMagic;
  if (zero) std::memset(h + 1, 0, bytes);
  (void)flags;
  return h + 1;
}

HANDLE Free(HANDLE memory) {
  if (!memory) return nullptr;
  Header* h = HeaderOf(memory);
  if (!h) return memory;  // not ours: fail as the platform does, by handing it back
  h->magic = 0;
  std::free(h);
  return nullptr;
}
}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) { return Allocate(flags, bytes, flags & LMEM_ZEROINIT); }
HLOCAL LocalFree(HLOCAL memory) { return Free(memory); }
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return Allocate(flags, bytes, flags & GMEM_ZEROINIT); }
LPVOID GlobalLock(HGLOBAL memory) { return HeaderOf(memory) ? memory : nullptr; }
BOOL GlobalUnlock(HGLOBAL memory) { return HeaderOf(memory) ? TRUE : FALSE; }
SIZE_T GlobalSize(HGLOBAL memory) {
  Header* h = HeaderOf(memory);
  return h ? h->size : 0;
}
HGLOBAL GlobalFree(HGLOBAL memory) { return Free(memory); }
