// The software rasteriser's primitives: spans, pixels and rectangles on a DC's surface,
// in logical coordinates, always clipped to the DC's effective clip.
#pragma once

#include <cstdint>

#include "gdi/gdi_objects.h"

namespace platform::gdi {

// A drawing target resolved from a DC for the length of one call.
struct Canvas {
  DcObject* dc = nullptr;
  Surface* surface = nullptr;
  const std::vector<RECT>* clip = nullptr;
  int ox = 0, oy = 0;  // surface position of logical (0, 0)

  bool valid() const { return surface && clip && !clip->empty(); }
  bool visible(int x, int y) const;  // logical point inside the clip
  RECT ToSurface(const RECT& r) const;

  // Logical coordinates; `right` excluded.
  void FillSpan(int y, int left, int right, uint32_t pixel);
  void FillRect(const RECT& r, uint32_t pixel);
  void Plot(int x, int y, uint32_t pixel);
  // Applies a raster operation with a solid pattern to every clipped pixel of `r`.
  void PatternRect(const RECT& r, uint32_t pattern, DWORD rop);
  // Blends `pixel` through a coverage mask of `width` x `height` placed at (x, y).
  void BlendMask(int x, int y, int width, int height, const uint8_t* coverage, uint32_t pixel);
  // The same target with the clip narrowed to the logical rectangle `r`; `storage` holds
  // the narrowed clip and must outlive the result.
  Canvas Restricted(const RECT& r, std::vector<RECT>& storage) const;
};

Canvas CanvasOf(HDC dc);

// The ternary raster operation with index `code` (bits 16..23 of a ROP) on one pixel.
uint32_t Rop3(uint8_t code, uint32_t pattern, uint32_t source, uint32_t dest);

uint32_t ToPixel(COLORREF c);

}  // namespace platform::gdi
