// LoadImageW for .bmp files. Resources are the resource loader's (LoadBitmapW).
#include <vector>

#include "gdi/dib.h"
#include "gdi/gdi_objects.h"
#include "platform/winbase.h"
#include "platform/wingdi.h"

namespace {

// Bitmap files larger than this are refused before anything is allocated.
constexpr DWORD kMaxFileSize = 256u << 20;

bool ReadWholeFile(LPCWSTR path, std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || !file) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxFileSize;
  if (ok) {
    bytes.resize(size);
    DWORD done = 0;
    ok = size == 0 || (ReadFile(file, bytes.data(), size, &done, nullptr) && done == size);
  }
  CloseHandle(file);
  return ok;
}

platform::Surface Scaled(const platform::Surface& in, int width, int height) {
  platform::Surface out(width, height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.row(y)[x] = in.row(static_cast<int>(1LL * y * in.height() / height))[1LL * x * in.width() / width];
  return out;
}

}  // namespace

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (instance || !name || type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE)) return nullptr;
  if (IS_INTRESOURCE(name) || cx < 0 || cy < 0) return nullptr;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes)) return nullptr;
  // BITMAPFILEHEADER: "BM", file size, two reserved words, offset of the bits.
  if (bytes.size() < 14 || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
  uint32_t offBits = bytes[10] | (bytes[11] << 8) | (bytes[12] << 16) | (static_cast<uint32_t>(bytes[13]) << 24);
  if (offBits < 14 + 40 || offBits > bytes.size()) return nullptr;
  platform::Surface surface;
  if (!platform::gdi::DecodeDib(bytes.data() + 14, bytes.size() - 14, offBits - 14, surface)) return nullptr;
  // A requested size stretches the picture, as the platform does.
  int width = cx ? cx : surface.width(), height = cy ? cy : surface.height();
  if (width != surface.width() || height != surface.height()) {
    if (1LL * width * height > (1LL << 26)) return nullptr;
    surface = Scaled(surface, width, height);
  }
  return platform::gdi::AdoptSurface(std::move(surface));
}
