// Decoding device-independent bitmaps (packed DIBs and .bmp files) into surfaces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/surface.h"
#include "platform/windef.h"

namespace platform::gdi {

// `data` starts with a BITMAPINFOHEADER (or a larger V4/V5 header). The bits follow the
// colour table, or start at `bitsOffset` bytes from `data` when it is not 0. Accepts 1, 4,
// 8, 16, 24 and 32 bits per pixel, BI_RGB, and BI_BITFIELDS for 16 and 32 bits; rows
// bottom-up (positive height) or top-down (negative). False on anything malformed or
// truncated; `out` is then unchanged.
bool DecodeDib(const uint8_t* data, size_t size, size_t bitsOffset, Surface& out);

HBITMAP NewBitmap(int width, int height, uint32_t fill);
HBITMAP AdoptSurface(Surface&& surface);

}  // namespace platform::gdi
