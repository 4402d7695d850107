// Bitmaps: every one is a 32-bit surface, whatever it was made from.
#include <cstring>
#include <new>

#include "gdi/dib.h"
#include "gdi/gdi_objects.h"
#include "platform/gdi_bridge.h"
#include "platform/winbase.h"

namespace platform::gdi {

// Bitmaps beyond this many pixels are refused rather than allocated.
constexpr long long kMaxPixels = 1LL << 26;

// Out of memory a bitmap call fails as documented, with null; the caller carries on.
HBITMAP NewBitmap(int width, int height, uint32_t fill) {
  if (width < 0 || height < 0 || 1LL * width * height > kMaxPixels) return nullptr;
  try {
    auto b = std::make_unique<BitmapObject>();
    b->surface.resize(width, height, fill);
    return static_cast<HBITMAP>(Register(std::move(b)));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

HBITMAP AdoptSurface(Surface&& surface) {
  try {
    auto b = std::make_unique<BitmapObject>();
    b->surface = std::move(surface);
    return static_cast<HBITMAP>(Register(std::move(b)));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

}  // namespace platform::gdi

namespace platform {

HBITMAP CreateBitmapFromPackedDib(const void* data, size_t size) {
  Surface s;
  if (!gdi::DecodeDib(static_cast<const uint8_t*>(data), size, 0, s)) return nullptr;
  return gdi::AdoptSurface(std::move(s));
}

}  // namespace platform

using namespace platform::gdi;

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (!Dc(dc)) return nullptr;
  if (width == 0 || height == 0) return NewBitmap(1, 1, 0);
  // A new compatible bitmap's contents are undefined on the platform; black here.
  return NewBitmap(width, height, 0);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  if (width == 0 || height == 0) return NewBitmap(1, 1, 0);
  HBITMAP handle = NewBitmap(width, height, 0);
  if (!handle || !bits) return handle;
  platform::Surface& s = Bitmap(handle)->surface;
  // Rows are padded to 16 bits and stored top row first.
  size_t stride = ((static_cast<size_t>(width) * bitsPerPixel + 15) / 16) * 2;
  const uint8_t* in = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < height; ++y, in += stride) {
    uint32_t* out = s.row(y);
    for (int x = 0; x < width; ++x) {
      switch (bitsPerPixel) {
        case 1: out[x] = (in[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0; break;
        case 24: out[x] = in[3 * x] | (in[3 * x + 1] << 8) | (in[3 * x + 2] << 16); break;
        default: {
          uint32_t v;
          std::memcpy(&v, in + 4 * x, 4);
          out[x] = v & 0xFFFFFF;
        }
      }
    }
  }
  return handle;
}
